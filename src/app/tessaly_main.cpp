// tessaly: the desktop program. Archives named on the command line are extracted
// at start-up after a destination is chosen; with --extract-here or
// --extract-to-folders they are extracted beside themselves, the Status window alone.

#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "app/ui/qt_dialogs.h"
#include "engine/beside_archives.h"
#include "engine/session.h"
#include "engine/ui/status_window.h"
#include "inspect/archive_listings.h"
#include "platform/interruption.h"
#include "platform/large_buffers.h"
#include "platform/process_spawn.h"
#include "platform/time_zone.h"
#include "platform/ui/qt_console_host.h"
#include "platform/ui/window_on_screen.h"
#include "settings/private_temp_folder.h"
#include "shell/ui/main_window.h"

int main(int argc, char** argv) {
  // Wrong usage is told before any window system is needed.
  if (tessaly::ParseBesideArguments(std::vector<std::string>(argv + 1, argv + argc)).mode ==
      tessaly::BesideMode::Usage) {
    std::cerr << tessaly::kBesideUsage << "\n";
    return tessaly::kBesideExitUsage;
  }
  tessaly::ReturnLargeBuffersWhenFreed();
  // Before Qt starts any thread.
  tessaly::EndOnInterruption(tessaly::LeavePrivateTempFolder);
  tessaly::ReadTimeZoneOnce();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Brindlemoor"));
  QApplication::setApplicationName(QStringLiteral("Tessaly"));
  QApplication::setApplicationVersion(QStringLiteral("3.6"));
  // Lets the desktop match the windows with the installed tessaly.desktop and its icon.
  QApplication::setDesktopFileName(QStringLiteral("tessaly"));
  tessaly::FitEveryWindowOnScreen();

  // Each argument is one path, blanks and all.
  std::vector<std::string> args;
  for (const QString& argument : QApplication::arguments().mid(1)) {
    args.push_back(argument.toStdString());
  }
  const tessaly::BesideRequest beside = tessaly::ParseBesideArguments(args);
  if (beside.mode == tessaly::BesideMode::Usage) {
    std::cerr << tessaly::kBesideUsage << "\n";
    return tessaly::kBesideExitUsage;
  }

  tessaly::QtDialogs dialogs;
  tessaly::QtEventPump events;
  tessaly::QtConsoleHost consoles;
  tessaly::Session session(dialogs, events);
  session.programs.host = &consoles;
  session.programs.batchRunner = tessaly::HelperProgram("tessaly-batch");
  session.programs.reader = tessaly::HelperProgram("tessaly-reader");
  dialogs.Attach(session);
  // From a file manager: the Status window alone, and the program ends with the job.
  if (beside.mode != tessaly::BesideMode::None) {
    const int exitStatus = tessaly::ExtractBesideArchives(
        session, beside.mode, beside.archives,
        [&session](const std::string& path) { return tessaly::ArchiveEntryNames(session, path); });
    // The Status window reads the session as it goes, so it goes first.
    delete dialogs.Status();
    tessaly::LeavePrivateTempFolder();
    return exitStatus;
  }
  tessaly::MainWindow mainWindow(session);
  dialogs.SetOwner(&mainWindow);
  mainWindow.Load(args);
  const int exitStatus = QApplication::exec();
  tessaly::LeavePrivateTempFolder();
  return exitStatus;
}
