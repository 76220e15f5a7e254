#include "engine/sevenzip/sevenzip_backend.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "engine/active_session.h"
#include "engine/entry_messages.h"
#include "engine/entry_selection.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/session.h"
#include "engine/sevenzip/sevenzip_archive.h"

namespace tessaly {

namespace {

std::string NoMemoryText(const std::string& archiveName) {
  return "Tessaly stopped reading \"" + archiveName + "\": not enough memory.";
}

// The local state of one ExtractSevenZipArchive call.
class SevenZipExtraction {
 public:
  SevenZipExtraction(Session& session, const std::string& longPath)
      : session_(session),
        job_(session.job),
        longPath_(longPath),
        destinationText_(session.mainWindow.destinationBox.text),
        destination_(DestinationFolder(destinationText_)),
        selection_(session.job) {}

  int32_t Run() {
    session_.status.SetArchiveLabel("Processing archive: " + longPath_);
    if (Open()) ExtractEntries();
    return End();
  }

 private:
  enum class Step { Next, Stop };

  // Opens the archive and counts the selected entries for the Status window's bar on
  // the same handle: encrypted headers are decoded, and their key derived, once. False
  // when it did not open (the user was told).
  bool Open() {
    archive_ = std::make_unique<SevenZipArchive>(longPath_);
    if (archive_->openResult() == UN7Z_MISSING_PASSWORD) {
      // Encrypted headers: nothing can be listed, or counted, before the password.
      if (!AskPassword(SevenZipArchiveFileName(longPath_))) return false;
      archive_ = std::make_unique<SevenZipArchive>(longPath_, password_);
    }
    if (!archive_->opened()) {
      OpenFailed(archive_->openResult());
      return false;
    }
    Un7zHeaderData header{};
    job_.entryBytes.Restart();
    while (archive_->ReadHeader(header) == UN7Z_SUCCESS) {
      if (!Counts(header)) continue;
      ++entryCount_;
      job_.entryBytes.Count(header.UnpSize64);
    }
    archive_->Rewind();
    session_.status.SetMax(job_.entryBytes.total());
    archive_->SetDataCallback();
    archive_->SetKeepBroken(job_.keepBroken);
    archive_->SetThreads(session_.zip.threads);
    return true;
  }

  // A selected entry with something to write: an update's deletion note has nothing.
  bool Counts(const Un7zHeaderData& header) const {
    return (header.Flags & UN7Z_FLAG_ANTI) == 0 && selection_.Selects(SevenZipEntryName(header));
  }

  void OpenFailed(unsigned int code) {
    if (code == UN7Z_BAD_PASSWORD) {
      Tell(kWrongPasswordText);
    } else if (code == UN7Z_MISSING_PASSWORD) {
      Fail();  // no password given: said at the end
    } else if (code == UN7Z_VOLUME_MISSING) {
      Tell(kSevenZipMissingVolume);
    } else if (code == UN7Z_BAD_ARCHIVE || code == UN7Z_BAD_DATA) {
      Tell(DamagedArchiveText(longPath_));
    } else if (code == UN7Z_UNSUPPORTED) {
      Tell(UnsupportedMethodText(SevenZipArchiveFileName(longPath_)));
    } else if (code == UN7Z_NO_MEMORY) {
      Tell(NoMemoryText(longPath_));
    } else {
      Tell(DriveReadErrorText(longPath_));
    }
  }

  void ExtractEntries() {
    for (;;) {
      if (job_.cancelExtract) {
        Fail();
        return;
      }
      Un7zHeaderData header{};
      const int read = archive_->ReadHeader(header);
      if (read == UN7Z_END_ARCHIVE) return;
      if (read != UN7Z_SUCCESS) {
        Tell(DamagedArchiveText(longPath_));
        return;
      }
      if (ProcessEntry(header) == Step::Stop) return;
    }
  }

  Step ProcessEntry(const Un7zHeaderData& header) {
    const std::string storedName = SevenZipEntryName(header);
    // Every selected entry is out: the rest need not be read.
    if (!Counts(header)) return doneCount_ >= entryCount_ ? Step::Stop : Step::Next;
    job_.entryBytes.Begin(header.UnpSize64);
    const bool folder = (header.Flags & UN7Z_FLAG_DIRECTORY) != 0;
    if (folder && NamesTheDestination(storedName)) return Counted();
    target_ = ResolveEntryTarget(destination_, storedName);
    entryName_ = target_ ? target_->shownName : ShownEntryName(storedName);
    session_.status.SetMessageLabel("Extracting file: " + entryName_);
    // A name that leads outside the destination is passed over: the library writes
    // nothing of it (a solid folder decodes it for the entries after it).
    if (!target_) return Report(OutsideDestinationText(entryName_));
    const bool encrypted = (header.Flags & UN7Z_FLAG_ENCRYPTED) != 0;
    if (encrypted && password_.empty()) {
      if (!AskPassword(entryName_)) return Step::Stop;
      archive_->SetPassword(password_);
    }
    int operation = UN7Z_EXTRACT;
    if (!DecideOverwrite(header, operation)) return Fail();
    if (job_.cancelExtract) return Fail();
    if (operation == UN7Z_SKIP) return Counted();

    const int status = archive_->ProcessFile(operation, destinationText_);
    const int error = errno;  // why the entry could not be created or written
    session_.events.pump();
    return EntryDone(status, error);
  }

  Step EntryDone(int status, int error) {
    switch (status) {
      case UN7Z_SUCCESS:
        return Counted();
      case UN7Z_BAD_PASSWORD:
        return Tell(kWrongPasswordText);
      case UN7Z_MISSING_PASSWORD:
        return Fail();
      case UN7Z_VOLUME_MISSING:
        return Tell(kSevenZipMissingVolume);
      case UN7Z_BAD_DATA:
      case UN7Z_BAD_ARCHIVE:
        // The messages name only the archive: a test's summary names the entry.
        job_.damagedEntries.push_back(entryName_);
        return Tell(CrcErrorText(SevenZipArchiveFileName(longPath_)));
      case UN7Z_UNSUPPORTED:
        return Report(UnsupportedMethodText(entryName_));
      case UN7Z_UNSAFE_LINK:
        return Report(LinkOutsideDestinationText(entryName_));
      case UN7Z_ECREATE:
      case UN7Z_EWRITE: {
        if (error == ENOSPC) return Tell(DiskFullText(entryName_));
        const std::string text = WriteFailedText(entryName_, std::strerror(error));
        return DestinationRefusesWrites(destination_) ? Tell(text) : Report(text);
      }
      case UN7Z_STOPPED:
        return Fail();
      case UN7Z_NO_MEMORY:
        return Tell(NoMemoryText(longPath_));
      default:
        return Tell(DriveReadErrorText(longPath_));
    }
  }

  Step Counted() {
    ++doneCount_;
    job_.entryBytes.End();
    session_.status.SetValue(job_.entryBytes.value());
    session_.events.pump();
    return Step::Next;
  }

  // False when the user cancelled at the prompt.
  bool DecideOverwrite(const Un7zHeaderData& header, int& operation) {
    if ((header.Flags & UN7Z_FLAG_DIRECTORY) != 0) return true;
    const int64_t modified = (header.Flags & UN7Z_FLAG_MTIME) != 0 ? header.MTime : 0;
    return DecideEntryOperation(session_, target_->path, entryName_, {header.UnpSize64, modified},
                                operation, UN7Z_SKIP);
  }

  // False when the answer was empty (reported at the end).
  bool AskPassword(const std::string& name) {
    passwordAsked_ = true;
    password_ = tessaly::AskPassword(session_, name);
    return !password_.empty();
  }

  Step Tell(const std::string& text) {
    const std::string kept = archive_ ? archive_->KeptName() : "";
    session_.dialogs.MessageBox(
        {WithKeptDamagedText(text, entryName_, kept), MsgButtons::OK, MsgIcon::Critical, "Oops!"});
    return Fail();
  }

  // An entry that was left out: the rest of the archive is still extracted, but the
  // job does not count as finished.
  Step Report(const std::string& text) {
    session_.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
    result_ = 1;
    return Step::Next;
  }

  Step Fail() {
    result_ = 1;
    return Step::Stop;
  }

  int32_t End() {
    if (passwordAsked_ && password_.empty()) {
      session_.dialogs.MessageBox({kNoPasswordText, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
      result_ = 1;
    }
    archive_.reset();
    return result_;
  }

  Session& session_;
  JobState& job_;
  const std::string longPath_;
  const std::string destinationText_;
  const std::string destination_;
  const EntrySelection selection_;
  std::unique_ptr<SevenZipArchive> archive_;
  int64_t entryCount_ = 0;  // of the selected entries
  int64_t doneCount_ = 0;
  std::string password_;
  bool passwordAsked_ = false;
  std::string entryName_;
  std::optional<EntryTarget> target_;
  int32_t result_ = 0;
};

}  // namespace

int32_t ExtractSevenZipArchive(Session& session, const std::string& longPath) {
  session.job.activeBackend = "7z";
  // After a cancel every later archive of the job returns at once.
  if (session.job.cancelExtract) return 1;
  ActiveSessionGuard guard(session);
  SevenZipExtraction extraction(session, longPath);
  return extraction.Run();
}

void SevenZipTestOpen(Session& session, const std::string& path, bool signatureClaimsIt) {
  const SevenZipArchive archive(path);
  const unsigned int code = archive.openResult();
  bool taken = code == UN7Z_SUCCESS || code == UN7Z_MISSING_PASSWORD;
  if (signatureClaimsIt) {
    taken = code != UN7Z_UNKNOWN_FORMAT && code != UN7Z_EOPEN && code != UN7Z_EREAD;
  }
  session.job.extractResult = taken ? 0 : 1;
}

}  // namespace tessaly
