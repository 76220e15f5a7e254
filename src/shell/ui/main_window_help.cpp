// Edit > Options, Help > Contents (and F1) and Help > About.
#include "platform/ui/help_window.h"
#include "settings/ui/about_window.h"
#include "settings/ui/options_dialog.h"
#include "shell/ui/main_window.h"

namespace tessaly {

void MainWindow::ShowOptions(QWidget* owner) {
  OptionsDialog dialog(session_.settings, session_.dialogs, owner);
  connect(&dialog, &OptionsDialog::helpRequested, &dialog,
          [&dialog] { ShowHelpPage(&dialog, QStringLiteral("options.html")); });
  dialog.exec();
}

void MainWindow::ShowAbout(QWidget* owner) {
  AboutWindow about(session_.dialogs, session_.events, owner);
  about.exec();
}

void MainWindow::ShowHelpContents() {
  ShowHelpPage(this, QStringLiteral("index.html"));
}

}  // namespace tessaly
