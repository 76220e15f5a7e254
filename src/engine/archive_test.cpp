#include "engine/archive_test.h"

#include <stdlib.h>

#include <filesystem>

#include "engine/driver.h"
#include "engine/session.h"

namespace tessaly {

namespace {

// Passes every question on and keeps what the messages said.
class RecordingDialogs : public Dialogs {
 public:
  explicit RecordingDialogs(Dialogs& shown) : shown_(shown) {}

  MsgAnswer MessageBox(const MessageBoxRequest& request) override {
    messages.push_back(request.text);
    return shown_.MessageBox(request);
  }
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText, InputEcho echo) override {
    return shown_.InputBox(prompt, title, defaultText, echo);
  }
  std::string FileExists(const std::string& question, const std::string& details) override {
    return shown_.FileExists(question, details);
  }
  void ShowConfirmation(ConfirmationModel& confirmation) override {
    shown_.ShowConfirmation(confirmation);
  }
  void ShowStatus(StatusModel& status) override { shown_.ShowStatus(status); }
  DestinationAnswer ChooseDestination(const DestinationRequest& request) override {
    return shown_.ChooseDestination(request);
  }
  void ShowWelcome() override {}
  void ShowImportantMessage(ImportantMessageModel& notice) override {
    shown_.ShowImportantMessage(notice);
  }
  void ShowReading(ReadingNotice& notice) override { shown_.ShowReading(notice); }
  void CloseReading() override { shown_.CloseReading(); }

  std::vector<std::string> messages;

 private:
  Dialogs& shown_;
};

int64_t CountFiles(const std::filesystem::path& folder) {
  int64_t count = 0;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_directory(error)) ++count;
  }
  return count;
}

}  // namespace

ArchiveTestResult TestArchive(Session& session, const std::string& archive) {
  ArchiveTestResult result;
  result.archive = archive;
  std::string scratch = session.settings.tempFolder + "test-XXXXXX";
  if (session.settings.tempFolder.empty() || mkdtemp(scratch.data()) == nullptr) {
    result.problems.push_back("The scratch folder for the test could not be made in \"" +
                              session.settings.tempFolder + "\".");
    return result;
  }
  RecordingDialogs dialogs(session.dialogs);
  Session test(dialogs, session.events);
  test.settings = session.settings;
  test.programs = session.programs;
  test.zip.threads = session.zip.threads;
  test.job.probeAnswers = session.job.probeAnswers;
  // As a file manager's start: no confirmation, no destination history.
  test.job.statusOnly = true;
  test.job.selectedFiles = {archive};
  test.job.selectedCount = 1;
  test.mainWindow.destinationBox.text = scratch + "/";
  ExtractSelectedArchives(test, CallingWindow::MainWindow);

  result.intactFiles = CountFiles(scratch);
  result.problems = std::move(dialogs.messages);
  result.intact = result.problems.empty() && test.job.extractResult == 0 &&
                  !test.job.archiveFailed && !test.job.cancelExtract;
  if (!result.intact && result.problems.empty()) {
    result.problems.push_back("Not every entry came out intact.");
  }
  std::error_code ignored;
  std::filesystem::remove_all(scratch, ignored);
  session.job.probeAnswers = std::move(test.job.probeAnswers);
  return result;
}

std::string TestSummaryText(const ArchiveTestResult& result) {
  if (result.intact) {
    return result.archive + ": all " + std::to_string(result.intactFiles) + " files are intact.\n";
  }
  std::string text = result.archive + ": damaged or unreadable:\n";
  for (const std::string& problem : result.problems) text += "  " + problem + "\n";
  return text;
}

}  // namespace tessaly
