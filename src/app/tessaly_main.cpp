// tessaly: the desktop program. Archives named on the command line are extracted
// at start-up after a destination is chosen.

#include <QApplication>
#include <string>
#include <vector>

#include "app/ui/qt_dialogs.h"
#include "engine/session.h"
#include "platform/process_spawn.h"
#include "platform/time_zone.h"
#include "platform/ui/qt_console_host.h"
#include "shell/ui/main_window.h"

int main(int argc, char** argv) {
  tessaly::ReadTimeZoneOnce();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Brindlemoor"));
  QApplication::setApplicationName(QStringLiteral("Tessaly"));
  QApplication::setApplicationVersion(QStringLiteral("3.6"));

  // Each argument is one path, blanks and all.
  std::vector<std::string> args;
  for (const QString& argument : QApplication::arguments().mid(1)) {
    args.push_back(argument.toStdString());
  }

  tessaly::QtDialogs dialogs;
  tessaly::QtEventPump events;
  tessaly::QtConsoleHost consoles;
  tessaly::Session session(dialogs, events);
  session.programs.host = &consoles;
  session.programs.batchRunner = tessaly::HelperProgram("tessaly-batch");
  dialogs.Attach(session);
  tessaly::MainWindow mainWindow(session);
  dialogs.SetOwner(&mainWindow);
  mainWindow.Load(args);
  return QApplication::exec();
}
