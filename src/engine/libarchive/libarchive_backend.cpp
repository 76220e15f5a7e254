#include "engine/libarchive/libarchive_backend.h"

#include <cstring>

#include "engine/entry_messages.h"
#include "engine/entry_selection.h"
#include "engine/entry_target.h"
#include "engine/libarchive/libarchive_entries.h"
#include "engine/libarchive/libarchive_reader.h"
#include "engine/name_encoding_choice.h"
#include "engine/session.h"

namespace tessaly {

namespace {

// The Session's side of the entry loop: the Status window, the prompts, the messages.
class LibarchiveExtraction final : public EntryEvents {
 public:
  LibarchiveExtraction(Session& session, const std::string& longPath)
      : session_(session), longPath_(longPath), selection_(session.job) {}

  int32_t Run() {
    StatusModel& status = session_.status;
    status.SetArchiveLabel("Processing archive: " + longPath_);
    LibarchiveReader reader(session_.zip.threads);
    reader.JudgeNames(NameEncodingToRead(session_));
    const bool opened = reader.Open(longPath_);
    session_.job.namesReadIn = reader.name_encoding();
    if (!opened) return Tell(DriveReadErrorText(longPath_));
    status.SetMax(static_cast<int64_t>(reader.total_bytes()));
    destination_ = DestinationFolder(session_.mainWindow.destinationBox.text);
    const EntriesResult result =
        ExtractEntries(reader, destination_, session_.job.keepBroken, session_.zip.threads, *this);
    const auto tell = [&](const std::string& text) {
      return Tell(WithKeptDamagedText(text, result.entryName, result.keptPath));
    };
    switch (result.end) {
      case EntriesEnd::Done:
        break;
      case EntriesEnd::Stopped:
        return 1;  // the bar stays where it stopped
      case EntriesEnd::BadData:
        if (result.endedInEntry) session_.job.damagedEntries.push_back(result.entryName);
        return tell(CrcErrorText(longPath_));
      case EntriesEnd::Damaged:
        return tell(DamagedArchiveText(longPath_));
      case EntriesEnd::UnsupportedMethod:
        return tell(UnsupportedMethodText(result.entryName));
      case EntriesEnd::Encrypted7z:
        return Tell(Encrypted7zText(longPath_));
      case EntriesEnd::DiskFull:
        return Tell(DiskFullText(result.entryName));
      case EntriesEnd::WriteFailed:
        return 1;  // said for the entry
    }
    status.SetValue(static_cast<int64_t>(reader.total_bytes()));
    return result_;
  }

  bool Wanted(const std::string& storedName) override { return selection_.Selects(storedName); }

  void EntryStarted(const std::string& shownName) override {
    session_.status.SetMessageLabel("Extracting file: " + shownName);
  }

  ExistingFile FileExists(const std::string& shownName, const std::string& path,
                          const IncomingFile& incoming) override {
    return DecideExistingFile(session_, shownName, path, incoming);
  }

  // The entry is left out; the rest of the archive is still extracted, but the
  // archive is not counted as done.
  void Skipped(SkippedEntry why, const std::string& shownName) override {
    std::string text;
    switch (why) {
      case SkippedEntry::OutsideDestination:
        text = OutsideDestinationText(shownName);
        break;
      case SkippedEntry::LinkOutside:
        text = LinkOutsideDestinationText(shownName);
        break;
      case SkippedEntry::LinkSourceMissing:
        text = LinkSourceMissingText(shownName);
        break;
      case SkippedEntry::LinkLoop:
        text = LinkLoopText(shownName);
        break;
    }
    session_.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
    result_ = 1;
  }

  // Left out by design, as bsdtar run by a user leaves devices out: said, but the
  // archive still counts as extracted.
  void SpecialFilesSkipped(int64_t count, const std::string& firstName) override {
    session_.dialogs.MessageBox(
        {SpecialFilesText(count, firstName), MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
  }

  bool NotWritten(const std::string& shownName, int error) override {
    const bool refused = DestinationRefusesWrites(destination_);
    session_.dialogs.MessageBox({WriteFailedText(shownName, std::strerror(error)), MsgButtons::OK,
                                 refused ? MsgIcon::Critical : MsgIcon::Exclamation, "Oops!"});
    result_ = 1;
    return !refused;
  }

  bool Progress(uint64_t bytesRead) override {
    session_.status.SetValue(static_cast<int64_t>(bytesRead));
    session_.events.pump();
    return !session_.job.cancelExtract;
  }

 private:
  int32_t Tell(const std::string& text) {
    session_.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
    return 1;
  }

  Session& session_;
  const std::string longPath_;
  const EntrySelection selection_;
  std::string destination_;
  int32_t result_ = 0;
};

}  // namespace

int32_t ExtractLibarchiveArchive(Session& session, const std::string& longPath) {
  session.job.activeBackend = "libarchive";
  // After a cancel every later archive of the job returns at once.
  if (session.job.cancelExtract) return 1;
  LibarchiveExtraction extraction(session, longPath);
  return extraction.Run();
}

std::string Encrypted7zText(const std::string& archiveName) {
  return "Tessaly cannot extract \"" + archiveName + "\": encrypted 7z archives are not supported.";
}

std::string LinkLoopText(const std::string& shownName) {
  return "Tessaly did not extract \"" + shownName +
         "\": its path runs through links that lead back to each other.";
}

std::string SpecialFilesText(int64_t count, const std::string& firstName) {
  if (count == 1) {
    return "Tessaly did not extract \"" + firstName +
           "\": devices, pipes and sockets are not extracted.";
  }
  return "Tessaly did not extract " + std::to_string(count) + " devices, pipes or sockets, \"" +
         firstName + "\" the first of them.";
}

std::string LinkSourceMissingText(const std::string& shownName) {
  return "Tessaly did not create the link \"" + shownName +
         "\": the file it links to was not extracted.";
}

}  // namespace tessaly
