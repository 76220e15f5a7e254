#include "engine/sevenzip/sevenzip_backend.h"

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

#include "engine/active_session.h"
#include "engine/entry_job_outcome.h"
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
        selection_(session.job),
        outcome_(session, [this] { return archive_ ? archive_->KeptName() : ""; }) {}

  int32_t Run() {
    session_.status.SetArchiveLabel("Processing archive: " + longPath_);
    if (Open()) ExtractEntries();
    return outcome_.End();
  }

 private:
  using Step = EntryStep;

  // Opens the archive and counts the selected entries for the Status window's bar on
  // the same handle: encrypted headers are decoded, and their key derived, once. False
  // when it did not open (the user was told).
  bool Open() {
    archive_ = std::make_unique<SevenZipArchive>(longPath_);
    if (archive_->openResult() == UN7Z_MISSING_PASSWORD) {
      // Encrypted headers: nothing can be listed, or counted, before the password.
      if (!outcome_.AskPassword(SevenZipArchiveFileName(longPath_))) return false;
      archive_ = std::make_unique<SevenZipArchive>(longPath_, outcome_.password());
    }
    if (!archive_->opened()) {
      OpenFailed(archive_->openResult());
      return false;
    }
    Un7zHeaderData header{};
    job_.entryBytes.Restart();
    int64_t entryCount = 0;
    while (archive_->ReadHeader(header) == UN7Z_SUCCESS) {
      if (!Counts(header)) continue;
      ++entryCount;
      job_.entryBytes.Count(header.UnpSize64);
    }
    outcome_.SetEntryCount(entryCount);
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
      outcome_.Tell(kWrongPasswordText);
    } else if (code == UN7Z_MISSING_PASSWORD) {
      outcome_.Fail();  // no password given: said at the end
    } else if (code == UN7Z_VOLUME_MISSING) {
      outcome_.Tell(kSevenZipMissingVolume);
    } else if (code == UN7Z_BAD_ARCHIVE || code == UN7Z_BAD_DATA) {
      outcome_.Tell(DamagedArchiveText(longPath_));
    } else if (code == UN7Z_UNSUPPORTED) {
      outcome_.Tell(UnsupportedMethodText(SevenZipArchiveFileName(longPath_)));
    } else if (code == UN7Z_NO_MEMORY) {
      outcome_.Tell(NoMemoryText(longPath_));
    } else {
      outcome_.Tell(DriveReadErrorText(longPath_));
    }
  }

  void ExtractEntries() {
    for (;;) {
      if (job_.cancelExtract) {
        outcome_.Fail();
        return;
      }
      Un7zHeaderData header{};
      const int read = archive_->ReadHeader(header);
      if (read == UN7Z_END_ARCHIVE) return;
      if (read != UN7Z_SUCCESS) {
        outcome_.Tell(DamagedArchiveText(longPath_));
        return;
      }
      if (ProcessEntry(header) == Step::Stop) return;
    }
  }

  Step ProcessEntry(const Un7zHeaderData& header) {
    const std::string storedName = SevenZipEntryName(header);
    // Every selected entry is out: the rest need not be read.
    if (!Counts(header)) return outcome_.AllEntriesDone() ? Step::Stop : Step::Next;
    job_.entryBytes.Begin(header.UnpSize64);
    const bool folder = (header.Flags & UN7Z_FLAG_DIRECTORY) != 0;
    if (folder && NamesTheDestination(storedName)) return outcome_.Done();
    target_ = ResolveEntryTarget(destination_, storedName);
    outcome_.SetEntryName(target_ ? target_->shownName : ShownEntryName(storedName));
    const std::string& entryName = outcome_.entryName();
    session_.status.SetMessageLabel("Extracting file: " + entryName);
    // A name that leads outside the destination is passed over: the library writes
    // nothing of it (a solid folder decodes it for the entries after it).
    if (!target_) return outcome_.Report(OutsideDestinationText(entryName));
    const bool encrypted = (header.Flags & UN7Z_FLAG_ENCRYPTED) != 0;
    if (encrypted && outcome_.password().empty()) {
      if (!outcome_.AskPassword(entryName)) return Step::Stop;
      archive_->SetPassword(outcome_.password());
    }
    int operation = UN7Z_EXTRACT;
    if (!DecideOverwrite(header, operation)) return outcome_.Fail();
    if (job_.cancelExtract) return outcome_.Fail();
    if (operation == UN7Z_SKIP) return outcome_.Done();

    const int status = archive_->ProcessFile(operation, destinationText_);
    const int error = errno;  // why the entry could not be created or written
    session_.events.pump();
    return EntryDone(status, error);
  }

  Step EntryDone(int status, int error) {
    const std::string& entryName = outcome_.entryName();
    switch (status) {
      case UN7Z_SUCCESS:
        return outcome_.Done();
      case UN7Z_BAD_PASSWORD:
        return outcome_.Tell(kWrongPasswordText);
      case UN7Z_MISSING_PASSWORD:
        return outcome_.Fail();
      case UN7Z_VOLUME_MISSING:
        return outcome_.Tell(kSevenZipMissingVolume);
      case UN7Z_BAD_DATA:
      case UN7Z_BAD_ARCHIVE:
        // The messages name only the archive: a test's summary names the entry.
        job_.damagedEntries.push_back(entryName);
        return outcome_.Tell(CrcErrorText(SevenZipArchiveFileName(longPath_)));
      case UN7Z_UNSUPPORTED:
        return outcome_.Report(UnsupportedMethodText(entryName));
      case UN7Z_UNSAFE_LINK:
        return outcome_.Report(LinkOutsideDestinationText(entryName));
      case UN7Z_ECREATE:
      case UN7Z_EWRITE:
        if (error == ENOSPC) return outcome_.Tell(DiskFullText(entryName));
        return outcome_.WriteFailed(destination_, error);
      case UN7Z_STOPPED:
        return outcome_.Fail();
      case UN7Z_NO_MEMORY:
        return outcome_.Tell(NoMemoryText(longPath_));
      default:
        return outcome_.Tell(DriveReadErrorText(longPath_));
    }
  }

  // False when the user cancelled at the prompt.
  bool DecideOverwrite(const Un7zHeaderData& header, int& operation) {
    if ((header.Flags & UN7Z_FLAG_DIRECTORY) != 0) return true;
    const int64_t modified = (header.Flags & UN7Z_FLAG_MTIME) != 0 ? header.MTime : 0;
    return DecideEntryOperation(session_, target_->path, outcome_.entryName(),
                                {header.UnpSize64, modified}, operation, UN7Z_SKIP);
  }

  Session& session_;
  JobState& job_;
  const std::string longPath_;
  const std::string destinationText_;
  const std::string destination_;
  const EntrySelection selection_;
  std::unique_ptr<SevenZipArchive> archive_;
  EntryJobOutcome outcome_;
  std::optional<EntryTarget> target_;
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
