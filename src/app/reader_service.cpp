#include "app/reader_service.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <new>

#include "archivekit/staging.h"
#include "engine/ace/ace_backend.h"
#include "engine/driver.h"
#include "engine/job_walls.h"
#include "engine/libarchive/libarchive_backend.h"
#include "engine/rar/rar_backend.h"
#include "engine/reader_gateway.h"
#include "engine/selection.h"
#include "engine/session.h"
#include "engine/sevenzip/sevenzip_backend.h"
#include "engine/zip/zip_backend.h"
#include "inspect/archive_listings.h"
#include "platform/files.h"
#include "platform/interruption.h"
#include "settings/settings_store.h"

namespace tessaly {

namespace {

// The socket to the front end. Questions and Status go from the caller's thread; staging
// news may come from any worker. Status records wait up to 20 ms to go together, in
// order, with whatever follows: a job of many small entries would otherwise wake the
// front end for each. None is dropped: the console front end prints every entry's line.
class FrontEnd {
 public:
  explicit FrontEnd(int fd) : fd_(fd), records_(fd) {}

  void Send(WireWriter& record, bool waitForMore = false) {
    const std::lock_guard<std::mutex> hold(mutex_);
    pending_ += record.Bytes();
    SendPending(!waitForMore);
  }

  // The request that starts the conversation.
  std::optional<Record> Request() { return records_.Next(); }

  // The answer to the question just sent; a Cancel on the way is taken in passing.
  WireReader Answer() {
    for (;;) {
      std::optional<Record> record = records_.Next();
      if (!record) Gone();
      if (record->kind == RecordKind::Answer) return std::move(record->fields);
      Take(*record);
    }
  }

  // Takes a Cancel that is waiting, without blocking, and sends what waited long enough.
  // Backends pump after every block and every entry: the socket is looked at once in
  // kLooking at most, well within the time a Cancel may take.
  void Poll() {
    const auto time = std::chrono::steady_clock::now();
    if (!records_.Buffered() && time - lastPolled_ < kLooking) return;
    lastPolled_ = time;
    pollfd ready{fd_, POLLIN, 0};
    while (records_.Buffered() || poll(&ready, 1, 0) > 0) {
      std::optional<Record> record = records_.Next();
      if (!record) Gone();
      Take(*record);
    }
    const std::lock_guard<std::mutex> hold(mutex_);
    SendPending(false);
  }

  bool cancelled = false;

 private:
  static constexpr auto kGathering = std::chrono::milliseconds(20);
  static constexpr auto kLooking = std::chrono::milliseconds(10);

  void Take(const Record& record) {
    if (record.kind == RecordKind::Cancel) cancelled = true;
  }

  // What waits goes now, or once it has waited long enough; under the mutex.
  void SendPending(bool now) {
    const auto time = std::chrono::steady_clock::now();
    if (pending_.empty() || (!now && time - lastSent_ < kGathering)) return;
    lastSent_ = time;
    if (!SendBytes(fd_, pending_)) Gone();
    pending_.clear();
  }

  // Nobody is left to ask or to write for.
  [[noreturn]] void Gone() {
    archivekit::remove_everything_staged();
    _exit(1);
  }

  int fd_;
  RecordReader records_;
  std::mutex mutex_;
  std::string pending_;
  std::chrono::steady_clock::time_point lastSent_;
  std::chrono::steady_clock::time_point lastPolled_;
};

// The staging observer carries no user data: the one conversation of this process.
FrontEnd* theFrontEnd = nullptr;

void TellStagingFolder(const std::string& folder) {
  WireWriter record(RecordKind::StagingFolder);
  record.Put(folder);
  theFrontEnd->Send(record);
}

class RemoteDialogs : public Dialogs {
 public:
  explicit RemoteDialogs(FrontEnd& front) : front_(front) {}

  MsgAnswer MessageBox(const MessageBoxRequest& request) override {
    WireWriter ask(RecordKind::AskMessage);
    ask.Put(request.text);
    ask.Put(static_cast<int64_t>(request.buttons));
    ask.Put(static_cast<int64_t>(request.icon));
    ask.Put(request.title);
    ask.Put(static_cast<int64_t>(request.defaultButton));
    front_.Send(ask);
    return static_cast<MsgAnswer>(front_.Answer().Number());
  }
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText, InputEcho echo) override {
    WireWriter ask(RecordKind::AskInput);
    ask.Put(prompt);
    ask.Put(title);
    ask.Put(defaultText);
    ask.Put(static_cast<int64_t>(echo));
    front_.Send(ask);
    return front_.Answer().String();
  }
  std::string FileExists(const std::string& question, const std::string& details) override {
    WireWriter ask(RecordKind::AskFileExists);
    ask.Put(question);
    ask.Put(details);
    front_.Send(ask);
    return front_.Answer().String();
  }
  // The windows below belong to the front end's side of a job, never to a reader's.
  void ShowConfirmation(ConfirmationModel&) override {}
  void ShowStatus(StatusModel&) override {}
  DestinationAnswer ChooseDestination(const DestinationRequest&) override { return {}; }
  void ShowWelcome() override {}
  void ShowImportantMessage(ImportantMessageModel&) override {}

 private:
  FrontEnd& front_;
};

class RemotePump : public EventPump {
 public:
  explicit RemotePump(FrontEnd& front) : front_(front) {}
  void pump() override {
    front_.Poll();
    if (front_.cancelled && job != nullptr) job->cancelExtract = true;
  }

  JobState* job = nullptr;  // the session's, once it exists

 private:
  FrontEnd& front_;
};

class RemoteStatus : public StatusView {
 public:
  RemoteStatus(FrontEnd& front, const Session& session) : front_(front), session_(session) {}
  void Refresh() override {
    WireWriter status(RecordKind::Status);
    PutStatusState(status, session_);
    status.Put(session_.zip.zipFileName);
    // Only what changed: a backend refreshes at every step. A new archive goes at once,
    // so that the front end names the right one should this reader get stuck in it.
    if (status.Bytes() == last_) return;
    last_ = status.Bytes();
    const bool newArchive = session_.status.archiveLabel != lastArchiveLabel_ ||
                            session_.zip.zipFileName != lastZipArchive_;
    lastArchiveLabel_ = session_.status.archiveLabel;
    lastZipArchive_ = session_.zip.zipFileName;
    front_.Send(status, !newArchive);
  }

 private:
  FrontEnd& front_;
  const Session& session_;
  std::string last_;
  std::string lastArchiveLabel_;
  std::string lastZipArchive_;
};

ReaderResult RunTask(Session& session, ReaderTask task, const std::string& archive,
                     const std::string& type) {
  switch (task) {
    case ReaderTask::Probe: {
      SignatureOwner owner = SignatureOwner::Unclaimed;
      std::string found = ProbeOwnReaders(session, archive, owner);
      return ReaderResult(static_cast<int32_t>(owner), std::move(found));
    }
    case ReaderTask::ExtractZipArchives:
      ExtractZipArchives(session);
      return ReaderResult();
    case ReaderTask::Unzip:
      UnzipArchive(session);
      return ReaderResult();
    case ReaderTask::ExtractRar:
      return ReaderResult(ExtractRarArchive(session, archive));
    case ReaderTask::ExtractAce:
      return ReaderResult(ExtractAceArchive(session, archive));
    case ReaderTask::ExtractLibarchive:
      return ReaderResult(ExtractLibarchiveArchive(session, archive));
    case ReaderTask::ExtractSevenZip:
      return ReaderResult(ExtractSevenZipArchive(session, archive));
    case ReaderTask::List:
      return ReaderResult(static_cast<int32_t>(ListArchive(session, type, archive)));
  }
  return ReaderResult(1);
}

}  // namespace

int ServeReaderRequest(int fd) {
  FrontEnd front(fd);
  theFrontEnd = &front;
  std::optional<Record> start = front.Request();
  if (!start || start->kind != RecordKind::Start) return 2;
  WireReader& in = start->fields;
  const auto task = static_cast<ReaderTask>(in.Number());
  const std::string archive = in.String();
  const std::string type = in.String();

  RemoteDialogs dialogs(front);
  RemotePump pump(front);
  Session session(dialogs, pump);
  GetSessionState(in, session);
  if (!in.Whole()) return 2;
  pump.job = &session.job;
  RemoteStatus status(front, session);
  session.status.view = &status;
  archivekit::set_staging_folder_observer(TellStagingFolder);

  // Before any thread starts: the layers hold for the thread that puts them up and
  // what it starts.
  Confine(JobConfinementPlan(session, archive));
  // Ended by the front end or the terminal: what was staged goes with us.
  EndOnInterruption({});
  ReaderResult result;
  try {
    result = RunTask(session, task, archive, type);
  } catch (const std::bad_alloc&) {
    dialogs.MessageBox({"Tessaly stopped reading \"" + archive + "\": not enough memory.",
                        MsgButtons::OK, MsgIcon::Critical, "Oops!"});
    MarkArchiveFailed(session.job);
    result.code = 1;
  }
  session.status.view = nullptr;
  WireWriter done(RecordKind::Done);
  done.Put(static_cast<int64_t>(result.code));
  done.Put(result.text);
  PutSessionState(done, session);
  front.Send(done);
  return 0;
}

}  // namespace tessaly
