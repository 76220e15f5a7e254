// Help > Contents (and F1) and Help > About.
#include "platform/ui/help_window.h"
#include "settings/ui/about_window.h"
#include "shell/ui/main_window.h"

namespace tessaly {

void MainWindow::ShowAbout(QWidget* owner) {
  AboutWindow about(session_.dialogs, session_.events, owner);
  about.exec();
}

void MainWindow::ShowHelpContents() {
  ShowHelpPage(this, QStringLiteral("index.html"));
}

}  // namespace tessaly
