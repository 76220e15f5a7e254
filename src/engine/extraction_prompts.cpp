#include "engine/extraction_prompts.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/entry_target.h"
#include "engine/session.h"
#include "platform/folder_listing.h"
#include "settings/settings_store.h"

namespace tessaly {

namespace {

std::string FileFactsText(uint64_t bytes, int64_t modified) {
  return std::to_string(bytes) + " bytes, modified " + FormatFileDate(modified);
}

}  // namespace

std::string ReplacedFilesText(const std::string& existingPath, const IncomingFile& incoming) {
  std::string text;
  struct stat existing {};
  if (stat(existingPath.c_str(), &existing) == 0) {
    text = "Existing file: " +
           FileFactsText(static_cast<uint64_t>(existing.st_size), existing.st_mtim.tv_sec) + "\n";
  }
  return text + "File in the archive: " + FileFactsText(incoming.bytes, incoming.modified);
}

std::string AskOverwrite(Session& session, const std::string& name, const std::string& details) {
  const std::string pressed = session.dialogs.FileExists(
      "The file " + name + " already exists in the destination folder. Overwrite it?", details);
  session.status.Refresh();
  if (pressed.empty()) return "No";
  session.job.overwriteAnswer = pressed;
  return pressed;
}

ExistingFile DecideExistingFile(Session& session, const std::string& name, const std::string& path,
                                const IncomingFile& incoming) {
  JobState& job = session.job;
  if (job.keepExistingFiles) return ExistingFile::Keep;
  const std::string automatic =
      ApplicationSettings().GetSetting(job.activeBackend + " options", "auto overwrite", "");
  if (automatic == "1" || job.overwriteAnswer == "All") return ExistingFile::Replace;
  const std::string answer = AskOverwrite(session, name, ReplacedFilesText(path, incoming));
  if (answer == "Cancel") {
    // Cancel ends the whole job, not only this archive.
    job.stopAllArchives = true;
    return ExistingFile::Stop;
  }
  return answer == "No" ? ExistingFile::Keep : ExistingFile::Replace;
}

bool DecideEntryOperation(Session& session, const std::string& path, const std::string& name,
                          const IncomingFile& incoming, int& operation, int skipOperation) {
  if (!FileWouldBeReplaced(path)) return true;
  switch (DecideExistingFile(session, name, path, incoming)) {
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

bool ScansDamaged(const JobState& job, const std::string& path) {
  return job.scanDamagedArchives ||
         std::ranges::find(job.damagedArchivesScanned, path) != job.damagedArchivesScanned.end();
}

bool AgreeToScanDamaged(Session& session, const std::string& path, const std::string& cause) {
  JobState& job = session.job;
  if (ScansDamaged(job, path)) return true;
  if (std::ranges::find(job.damagedArchivesAsked, path) != job.damagedArchivesAsked.end()) {
    return false;
  }
  job.damagedArchivesAsked.push_back(path);
  const MsgAnswer answer =
      session.dialogs.MessageBox({"The archive \"" + path + "\" is damaged: " + cause +
                                      ". Look for the files it still holds by scanning it?",
                                  MsgButtons::YesNo, MsgIcon::Exclamation, "Damaged Archive", 2});
  session.status.Refresh();
  if (answer != MsgAnswer::Yes) return false;
  job.damagedArchivesScanned.push_back(path);
  return true;
}

}  // namespace tessaly
