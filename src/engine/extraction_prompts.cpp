#include "engine/extraction_prompts.h"

#include "engine/entry_target.h"
#include "engine/session.h"
#include "settings/settings_store.h"

namespace tessaly {

std::string AskOverwrite(Session& session, const std::string& name) {
  const std::string pressed = session.dialogs.FileExists(
      "The file " + name + " already exists in the destination folder. Overwrite it?");
  session.status.Refresh();
  if (pressed.empty()) return "No";
  session.job.overwriteAnswer = pressed;
  return pressed;
}

ExistingFile DecideExistingFile(Session& session, const std::string& name) {
  const JobState& job = session.job;
  if (job.keepExistingFiles) return ExistingFile::Keep;
  const std::string automatic =
      ApplicationSettings().GetSetting(job.activeBackend + " options", "auto overwrite", "");
  if (automatic == "1" || job.overwriteAnswer == "All") return ExistingFile::Replace;
  const std::string answer = AskOverwrite(session, name);
  if (answer == "Cancel") return ExistingFile::Stop;
  return answer == "No" ? ExistingFile::Keep : ExistingFile::Replace;
}

bool DecideEntryOperation(Session& session, const std::string& path, const std::string& name,
                          int& operation, int skipOperation) {
  if (!FileWouldBeReplaced(path)) return true;
  switch (DecideExistingFile(session, name)) {
    case ExistingFile::Replace:
      return true;
    case ExistingFile::Keep:
      operation = skipOperation;
      return true;
    case ExistingFile::Stop:
      return false;
  }
  return false;
}

std::string AskPassword(Session& session, const std::string& name) {
  return session.dialogs.InputBox("The file " + name +
                                      " is encrypted with a password. Please enter the password "
                                      "below to extract.",
                                  "Enter Password", "", InputEcho::Secret);
}

}  // namespace tessaly
