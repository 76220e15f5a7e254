#include "engine/rar/rar_backend.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivekit/dos_time.h"
#include "engine/active_session.h"
#include "engine/entry_data_callback.h"
#include "engine/entry_job_outcome.h"
#include "engine/entry_messages.h"
#include "engine/entry_selection.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/name_encoding_choice.h"
#include "engine/session.h"
#include "unrar.h"

namespace tessaly {

namespace {

constexpr unsigned int kCommentBufferSize = 16384;

constexpr const char* kMissingVolume =
    "Tessaly could not complete the extract operation because this RAR set is missing one or "
    "more of its volumes. If this archive set is located on seperate floppy disks, please copy "
    "all of the volumes to a single folder on your harddrive and extract them from there, as "
    "Tessaly does not presently support archive sets which contain volumes which are not "
    "located in the same folder.";

std::string UnsupportedText(const std::string& name) {
  return "Tessaly could not extract \"" + name +
         "\": it is packed with a method or dictionary size this version does not support.";
}

std::string FieldText(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

// The whole stored name: the record's own field may cut a long name.
std::string EntryNameOf(const RARHeaderData& header) {
  const std::string whole = FieldText(header.FileNameW, sizeof header.FileNameW);
  return whole.empty() ? FieldText(header.FileName, sizeof header.FileName) : whole;
}

std::string ArchiveNameOf(const RARHeaderData& header) {
  return FieldText(header.ArcName, sizeof header.ArcName);
}

bool WrongPassword(int code) {
  return code == ERAR_BAD_DATA || code == ERAR_BAD_PASSWORD;
}

// One open archive handle, closed when it goes.
class RarArchive {
 public:
  RarArchive(const std::string& path, unsigned int mode, const std::string& nameEncoding = "")
      : comment_(kCommentBufferSize, '\0') {
    RAROpenArchiveData data{};
    data.ArcName = path.c_str();
    data.OpenMode = mode;
    data.CmtBuf = comment_.data();
    data.CmtBufSize = kCommentBufferSize;
    handle_ = RAROpenArchive(&data);
    openResult_ = data.OpenResult;
    if (handle_ == nullptr && openResult_ == ERAR_SUCCESS) openResult_ = ERAR_EOPEN;
    if (handle_ != nullptr) RARSetNameEncoding(handle_, nameEncoding.c_str());
  }
  ~RarArchive() {
    if (handle_ != nullptr) RARCloseArchive(handle_);
  }
  RarArchive(const RarArchive&) = delete;
  RarArchive& operator=(const RarArchive&) = delete;

  unsigned int openResult() const { return openResult_; }
  bool opened() const { return handle_ != nullptr; }
  // The code page names stored in one are read in; "" when every name is in Unicode.
  std::string NameEncoding() const { return handle_ != nullptr ? RARGetNameEncoding(handle_) : ""; }

  int ReadHeader(RARHeaderData& header) {
    if (handle_ == nullptr) return static_cast<int>(openResult_);
    return RARReadHeader(handle_, &header);
  }
  int ProcessFile(int operation, const std::string& destination) {
    if (handle_ == nullptr) return static_cast<int>(openResult_);
    std::string folder = destination;
    return RARProcessFile(handle_, operation, folder.empty() ? nullptr : folder.data(), nullptr);
  }
  void SetPassword(const std::string& password) {
    if (handle_ == nullptr) return;
    std::string text = password;
    RARSetPassword(handle_, text.data());
  }
  // Past a damaged header to the next sound one; ERAR_BAD_ARCHIVE when that cannot be.
  int SkipDamagedBlock() {
    return handle_ != nullptr ? RARSkipDamagedBlock(handle_) : static_cast<int>(ERAR_BAD_ARCHIVE);
  }
  void SetDataCallback() {
    if (handle_ != nullptr) RARSetProcessDataProc(handle_, EntryDataCallback);
  }
  void SetKeepBroken(bool keep) {
    if (handle_ != nullptr) RARSetKeepBroken(handle_, keep ? 1 : 0);
  }
  std::string KeptName() const { return handle_ != nullptr ? RARKeptName(handle_) : ""; }
  void SetThreads(int threads) {
    if (handle_ != nullptr) RARSetThreads(handle_, threads);
  }

 private:
  std::vector<char> comment_;
  HANDLE handle_ = nullptr;
  unsigned int openResult_ = ERAR_SUCCESS;
};

// The local state of one ExtractRarArchive call.
class RarExtraction {
 public:
  RarExtraction(Session& session, const std::string& longPath)
      : session_(session),
        job_(session.job),
        longPath_(longPath),
        destinationText_(session.mainWindow.destinationBox.text),
        destination_(DestinationFolder(destinationText_)),
        selection_(session.job),
        outcome_(session, [this] { return archive_ ? archive_->KeptName() : ""; }) {}

  int32_t Run() {
    if (CountEntries()) {
      OpenForExtraction();
      ExtractEntries();
    }
    return outcome_.End();
  }

 private:
  using Step = EntryStep;

  // False when the user cancelled during the count.
  bool CountEntries() {
    RarArchive list(longPath_, RAR_OM_LIST, NameEncodingToRead(session_));
    // A long chain of volumes is read inside one call: Cancel reaches it through here.
    list.SetDataCallback();
    if (!outcome_.password().empty()) list.SetPassword(outcome_.password());
    int64_t entryCount = 0;
    job_.entryBytes.Restart();
    int status = ERAR_SUCCESS;
    bool beforeFirstHeader = true;
    while (status == ERAR_SUCCESS) {
      session_.events.pump();
      status = list.ProcessFile(RAR_SKIP, "");
      // What the library answers before any header was read is its own affair.
      if (beforeFirstHeader) status = ERAR_SUCCESS;
      beforeFirstHeader = false;
      RARHeaderData header{};
      const int read = list.ReadHeader(header);
      if (read == ERAR_BAD_ARCHIVE && SkipDamaged(list)) continue;
      // The failing read that ends the walk is no entry: the bar ends full.
      if (read != ERAR_SUCCESS) break;
      if (selection_.Selects(EntryNameOf(header))) {
        ++entryCount;
        job_.entryBytes.Count(header.UnpSize64);
      }
      if (job_.cancelExtract) break;
    }
    if (job_.cancelExtract) {
      outcome_.MarkFailed();
      return false;
    }
    outcome_.SetEntryCount(entryCount);
    job_.namesReadIn = list.NameEncoding();
    session_.status.SetMax(job_.entryBytes.total());
    return true;
  }

  void OpenForExtraction() {
    archive_.reset();
    archive_ =
        std::make_unique<RarArchive>(longPath_, RAR_OM_EXTRACT, NameEncodingToRead(session_));
    archive_->SetDataCallback();
    archive_->SetKeepBroken(job_.keepBroken);
    archive_->SetThreads(session_.zip.threads);
    if (!outcome_.password().empty()) archive_->SetPassword(outcome_.password());
  }

  void ExtractEntries() {
    for (;;) {
      RARHeaderData header{};
      const int read = archive_->ReadHeader(header);
      session_.status.SetArchiveLabel("Processing archive: " + ArchiveNameOf(header));
      const Step step = read == ERAR_SUCCESS ? ProcessEntry(header) : HeaderReadFailed(read);
      if (step == Step::Stop) return;
      if (step == Step::Restart) OpenForExtraction();
    }
  }

  // Once the user agreed, reading goes on after a damaged header; the archive then
  // does not finish, and nothing more is said.
  bool SkipDamaged(RarArchive& archive) {
    if (!AgreeToScanDamaged(session_, longPath_, kDamagedRarHeaderCause) ||
        archive.SkipDamagedBlock() == ERAR_BAD_ARCHIVE) {
      return false;
    }
    outcome_.MarkFailed();
    return true;
  }

  // The end of the archive is the normal way out; anything else stops it.
  Step HeaderReadFailed(int read) {
    if (read == ERAR_END_ARCHIVE) return Step::Stop;
    if (read == ERAR_BAD_ARCHIVE && archive_->opened() && SkipDamaged(*archive_)) return Step::Next;
    if (!archive_->opened()) return outcome_.Fail();
    if (read == ERAR_MISSING_PASSWORD && !outcome_.passwordAsked()) {
      // Encrypted headers: nothing can be listed, or counted, before the password is
      // known.
      if (!outcome_.AskPassword(FileNameOf(longPath_))) return Step::Stop;
      return CountEntries() ? Step::Restart : Step::Stop;
    }
    if (WrongPassword(read) && outcome_.passwordAsked()) {
      return outcome_.Tell(kWrongPasswordText);
    }
    if (read == ERAR_EOPEN) return outcome_.Tell(kMissingVolume);
    return outcome_.Tell(CrcErrorText(longPath_));
  }

  Step ProcessEntry(const RARHeaderData& header) {
    const std::string storedName = EntryNameOf(header);
    const bool selected = selection_.Selects(storedName);
    // Every selected entry is out: the rest need not be read.
    if (!selected && outcome_.AllEntriesDone()) return Step::Stop;
    target_ = ResolveEntryTarget(destination_, storedName);
    outcome_.SetEntryName(target_ ? target_->shownName : ShownEntryName(storedName));
    const std::string& entryName = outcome_.entryName();
    if (selected) session_.status.SetMessageLabel("Extracting file: " + entryName);

    if (!outcome_.password().empty()) {
      archive_->SetPassword(outcome_.password());
    } else if ((header.Flags & RHDF_ENCRYPTED) != 0) {
      // Bit 0x04 marks encryption whatever the volume bits say: a part continued
      // from an earlier volume is encrypted all the same. An entry left out is asked
      // for too: in a solid archive the selected ones after it cannot be decoded without it.
      if (!outcome_.AskPassword(entryName)) return Step::Stop;
      archive_->SetPassword(outcome_.password());
      if (WrongPassword(archive_->ProcessFile(RAR_TEST, destinationText_))) {
        return outcome_.Tell(kWrongPasswordText);
      }
      return Step::Restart;
    }

    int operation = RAR_EXTRACT;
    // The library writes nothing where the path leads outside, nor what was not
    // selected: the entry is passed over (a solid archive still decodes it for the ones
    // after it).
    if (!target_ || !selected) operation = RAR_SKIP;
    if (operation == RAR_EXTRACT && !DecideOverwrite(header, operation)) return outcome_.Fail();
    if (job_.cancelExtract) return outcome_.Fail();

    if (selected) job_.entryBytes.Begin(header.UnpSize64);
    const int status = archive_->ProcessFile(operation, destinationText_);
    const int error = errno;  // why the entry could not be created
    session_.events.pump();
    if (!selected && status == ERAR_SUCCESS) return Step::Next;
    if (!target_ && status == ERAR_SUCCESS) {
      return outcome_.Report(OutsideDestinationText(entryName));
    }
    return EntryDone(status, error, header);
  }

  Step EntryDone(int status, int error, const RARHeaderData& header) {
    const std::string& entryName = outcome_.entryName();
    if (WrongPassword(status) && outcome_.passwordAsked()) {
      return outcome_.Tell(kWrongPasswordText);
    }
    if (status == ERAR_EOPEN) return outcome_.Tell(kMissingVolume);
    // A damaged entry or a failed write is not an extracted file.
    if (status == ERAR_BAD_DATA) {
      job_.damagedEntries.push_back(entryName);
      return outcome_.Tell(CrcErrorText(ArchiveNameOf(header)));
    }
    if (status == ERAR_EWRITE) return outcome_.Tell(DiskFullText(entryName));
    if (status == ERAR_ECREATE) return outcome_.WriteFailed(destination_, error);
    if (status == ERAR_UNSAFE_LINK) return outcome_.Report(LinkOutsideDestinationText(entryName));
    if (status == ERAR_UNKNOWN && job_.cancelExtract) return outcome_.Fail();
    if (status == ERAR_UNKNOWN || status == ERAR_NO_MEMORY) {
      return outcome_.Report(UnsupportedText(entryName));
    }
    if (status != ERAR_SUCCESS) return outcome_.Tell(CrcErrorText(ArchiveNameOf(header)));
    return outcome_.Done();
  }

  // False when the user cancelled at the prompt.
  bool DecideOverwrite(const RARHeaderData& header, int& operation) {
    return header.Flags == RHDF_DIRECTORY_FLAGS ||
           DecideEntryOperation(session_, target_->path, outcome_.entryName(),
                                {header.UnpSize64, archivekit::dos_time_to_unix(header.FileTime)},
                                operation, RAR_SKIP);
  }

  static std::string FileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  }

  Session& session_;
  JobState& job_;
  const std::string longPath_;
  const std::string destinationText_;
  const std::string destination_;
  const EntrySelection selection_;
  std::unique_ptr<RarArchive> archive_;
  EntryJobOutcome outcome_;
  std::optional<EntryTarget> target_;
};

}  // namespace

int32_t ExtractRarArchive(Session& session, const std::string& longPath) {
  session.job.activeBackend = "rar";
  ActiveSessionGuard guard(session);
  RarExtraction extraction(session, longPath);
  return extraction.Run();
}

void RarTestOpen(Session& session, const std::string& path) {
  const RarArchive archive(path, RAR_OM_LIST);
  session.job.extractResult = archive.openResult() != ERAR_SUCCESS ? 1 : 0;
}

}  // namespace tessaly
