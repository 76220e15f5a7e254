#include "app/extract_run.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "app/archive_listing.h"
#include "app/console_dialogs.h"
#include "app/extract_options.h"
#include "app/terminal_console_host.h"
#include "engine/archive_test.h"
#include "engine/beside_archives.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "inspect/archive_listings.h"
#include "platform/process_spawn.h"
#include "settings/settings_vars.h"

namespace tessaly {

namespace {

constexpr const char* kFinishedText = "Tessaly has finished extracting the files.";
constexpr const char* kNotFinishedText = "Tessaly did not finish extracting the files.";

std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  if (error) return "";
  return AsDestinationFolder(folder.string());
}

// 0 when the Status window ended with "has finished", 1 with "did not finish", 2 when
// the job never reached the Status window.
int ExitStatusFor(const StatusModel& status) {
  if (status.archiveLabel.rfind(kFinishedText, 0) == 0) return kExitFinished;
  if (status.archiveLabel == kNotFinishedText) return kExitNotFinished;
  return kExitRefused;
}

// Every archive tested, its summary on out: 0 when every one is intact.
int TestArchives(Session& session, const std::vector<std::string>& archives, std::ostream& out) {
  session.job.selectedFiles = archives;
  session.job.selectedCount = static_cast<int>(archives.size());
  const std::vector<ArchiveTestResult> results =
      TestSelectedArchives(session, CallingWindow::MainWindow);
  // A cancelled test leaves archives untested: they are not known to be intact.
  int status = results.size() == archives.size() ? kExitFinished : kExitNotFinished;
  for (const ArchiveTestResult& result : results) {
    out << TestSummaryText(result);
    if (!result.intact) status = kExitNotFinished;
  }
  return status;
}

}  // namespace

int RunExtract(const std::vector<std::string>& args, const ConsoleStreams& streams) {
  const ParsedOptions parsed = ParseExtractOptions(args);
  if (!parsed.error.empty()) {
    streams.err << "tessaly-extract: " << parsed.error << "\n" << UsageText();
    return kExitUsage;
  }
  const ExtractOptions& options = parsed.options;
  if (options.help) {
    streams.out << UsageText();
    return kExitFinished;
  }
  if (options.version) {
    streams.out << VersionText();
    return kExitFinished;
  }

  ConsoleAnswers answers;
  answers.assumeYes = options.assumeYes;
  answers.noOverwrite = options.noOverwrite;
  answers.password = options.password;
  answers.perArchiveFolder = options.perArchiveFolder;
  if (options.destination) answers.destination = AsDestinationFolder(*options.destination);

  ConsoleDialogs dialogs(answers, streams.in, streams.err, streams.inputIsTerminal);
  ConsolePump pump;
  Session session(dialogs, pump);
  dialogs.Attach(session);
  session.job.keepExistingFiles = options.noOverwrite;
  session.job.keepBrokenAlways = options.keepBroken;
  session.zip.threads = options.threads;
  session.job.nameEncoding = options.nameEncoding;
  TerminalConsoleHost consoles(streams.err);
  session.programs.host = &consoles;
  session.programs.batchRunner = HelperProgram("tessaly-batch");
  session.programs.reader = HelperProgram("tessaly-reader");
  LoadSettings(session.settings, dialogs);
  session.job.scanDamagedArchives = options.scanDamaged;

  if (options.list) return ListArchives(session, options.archives, streams.out);
  if (options.test) return TestArchives(session, options.archives, streams.out);
  if (options.here) {
    return ExtractBesideArchives(
        session, BesideMode::Here, options.archives,
        [&session](const std::string& path) { return ArchiveEntryNames(session, path); });
  }

  session.mainWindow.currentFolder = CurrentFolder();
  if (answers.destination) session.mainWindow.destinationBox.text = *answers.destination;
  session.mainWindow.perArchiveFolder = options.perArchiveFolder;
  ParseCommandLine(session, std::nullopt, options.archives);

  int status = ExitStatusFor(session.status);
  // After the user chose to go on past a failed archive the job still "has finished";
  // a script must not take that for success. A reader ended while it probed is a failed
  // archive, not a refusal.
  if (status != kExitNotFinished && session.job.archiveFailed) status = kExitNotFinished;
  // The job is over: the Status window's "OK" closes it.
  if (session.status.loaded && session.status.cancelButtonCaption == "OK") {
    session.status.CancelButtonClicked(session);
  }
  return status;
}

}  // namespace tessaly
