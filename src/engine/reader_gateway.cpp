#include "engine/reader_gateway.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "archivekit/staging.h"
#include "engine/driver.h"
#include "engine/session.h"
#include "platform/file_descriptor.h"
#include "platform/interruption.h"
#include "platform/process_spawn.h"

namespace tessaly {

namespace {

using Clock = std::chrono::steady_clock;

// The window's events run at least this often while a reader works.
constexpr int kPollMilliseconds = 10;
constexpr auto kProgressLook = std::chrono::milliseconds(100);
constexpr auto kCancelGrace = std::chrono::milliseconds(900);
constexpr auto kNoticeDelay = std::chrono::seconds(1);

// The reader had to be ended or never started: the user is told why (unless they
// cancelled it), and the archive failed.
ReaderResult Ended(Session& session, const std::string& text) {
  if (!text.empty()) {
    session.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Critical, "Oops!"});
  }
  MarkArchiveFailed(session.job);
  return ReaderResult(1, "", true);
}

// One conversation with a started reader.
class ReaderRun {
 public:
  ReaderRun(Session& session, int pid, int fd, std::string archive)
      : session_(session), pid_(pid), fd_(fd), records_(fd), archive_(std::move(archive)) {}
  ~ReaderRun() {
    if (noticeShown_) session_.dialogs.CloseReading();
  }
  ReaderRun(const ReaderRun&) = delete;
  ReaderRun& operator=(const ReaderRun&) = delete;

  ReaderResult Converse(const ReaderRequest& request) {
    WireWriter start(RecordKind::Start);
    start.Put(static_cast<int64_t>(request.task));
    start.Put(request.archive);
    start.Put(request.type);
    PutSessionState(start, session_);
    if (!SendRecord(fd_, start)) return Lost();
    lastProgress_ = Clock::now();
    for (;;) {
      pollfd ready{fd_, POLLIN, 0};
      if (records_.Buffered() || poll(&ready, 1, kPollMilliseconds) > 0) {
        std::optional<Record> record = records_.Next();
        if (!record) return Lost();
        lastProgress_ = Clock::now();
        if (record->kind == RecordKind::Done) return Finished(record->fields);
        if (!Handle(*record)) return Lost();
      }
      session_.events.pump();
      ShowNoticeWhenSlow();
      if ((session_.job.cancelExtract || notice_.cancelled) && !cancelledAt_) {
        cancelledAt_ = Clock::now();
        WireWriter cancel(RecordKind::Cancel);
        SendRecord(fd_, cancel);
      }
      if (cancelledAt_ && Clock::now() - *cancelledAt_ > kCancelGrace) return End("");
      if (Stalled()) return End(ReaderStalledText(Reading()));
    }
  }

 private:
  // Before any Status window shows, a reader busy for a second is said to be reading,
  // with a Cancel of its own.
  void ShowNoticeWhenSlow() {
    if (noticeShown_ || session_.status.loaded) return;
    if (Clock::now() - started_ < kNoticeDelay) return;
    notice_.archive = archive_;
    session_.dialogs.ShowReading(notice_);
    noticeShown_ = true;
  }

  // Answers a question or takes news; false on a record that has no place here.
  bool Handle(Record& record) {
    WireReader& in = record.fields;
    switch (record.kind) {
      case RecordKind::AskMessage: {
        MessageBoxRequest request;
        request.text = in.String();
        request.buttons = static_cast<MsgButtons>(in.Number());
        request.icon = static_cast<MsgIcon>(in.Number());
        request.title = in.String();
        request.defaultButton = static_cast<int>(in.Number());
        const MsgAnswer answer = session_.dialogs.MessageBox(request);
        return Answer([&](WireWriter& out) { out.Put(static_cast<int64_t>(answer)); });
      }
      case RecordKind::AskInput: {
        const std::string prompt = in.String();
        const std::string title = in.String();
        const std::string defaultText = in.String();
        const auto echo = static_cast<InputEcho>(in.Number());
        const std::string text = session_.dialogs.InputBox(prompt, title, defaultText, echo);
        return Answer([&](WireWriter& out) { out.Put(text); });
      }
      case RecordKind::AskFileExists: {
        const std::string question = in.String();
        const std::string details = in.String();
        const std::string caption = session_.dialogs.FileExists(question, details);
        return Answer([&](WireWriter& out) { out.Put(caption); });
      }
      case RecordKind::Status:
        GetStatusState(in, session_);
        zipArchive_ = in.String();
        session_.status.Refresh();
        return in.Whole();
      case RecordKind::StagingFolder:
        stagingFolders_.push_back(in.String());
        archivekit::adopt_staging_folder(stagingFolders_.back());
        return in.Whole();
      default:
        return false;
    }
  }

  template <typename Fill>
  bool Answer(Fill&& fill) {
    WireWriter answer(RecordKind::Answer);
    fill(answer);
    // The time the user took is no time the reader wasted.
    lastProgress_ = Clock::now();
    return SendRecord(fd_, answer);
  }

  // Progress is what the reader writes besides its records to us. Looked at a few times
  // a second: a flood of records is progress enough.
  bool Stalled() {
    const Clock::time_point now = Clock::now();
    if (now - lastLook_ < kProgressLook) return false;
    lastLook_ = now;
    if (const std::optional<uint64_t> written = BytesWrittenBy(pid_)) {
      const uint64_t files = *written - std::min<uint64_t>(*written, records_.BytesRead());
      if (files != writtenToFiles_) {
        writtenToFiles_ = files;
        lastProgress_ = Clock::now();
      }
    }
    return Clock::now() - lastProgress_ > std::chrono::seconds(kReaderStallSeconds);
  }

  std::string Reading() const { return zipArchive_.empty() ? archive_ : zipArchive_; }

  ReaderResult Finished(WireReader& in) {
    ReaderResult result;
    result.code = static_cast<int32_t>(in.Number());
    result.text = in.String();
    const bool cancelled = session_.job.cancelExtract;
    GetSessionState(in, session_);
    session_.job.cancelExtract = session_.job.cancelExtract || cancelled;
    WaitProcess(pid_);
    if (!in.Whole()) {
      if (Interrupted()) AwaitInterruptionEnd();
      return Failed("its answer was cut short");
    }
    // Whatever a reader cancelled from its notice found is no answer.
    if (notice_.cancelled) return Ended(session_, "");
    return result;
  }

  // The reader closed the conversation without its answer. Ctrl+C reaches the reader
  // as well as the program, which is ending then: that says nothing of the archive.
  ReaderResult Lost() {
    if (Interrupted()) AwaitInterruptionEnd();
    const int status = WaitProcess(pid_);
    SweepStaging();
    if (session_.job.cancelExtract || notice_.cancelled) return Ended(session_, "");
    if (status > 128) {
      const int signal = status - 128;
      return Ended(session_, "Tessaly stopped reading \"" + Reading() +
                                 "\": its reader ended on signal " + std::to_string(signal) + " (" +
                                 strsignal(signal) + "), the archive is probably damaged.");
    }
    return Failed("it ended with status " + std::to_string(status));
  }

  ReaderResult Failed(const std::string& reason) {
    return Ended(session_, "Tessaly stopped reading \"" + Reading() + "\": its reader failed (" +
                               reason + ").");
  }

  ReaderResult End(const std::string& text) {
    kill(pid_, SIGKILL);
    WaitProcess(pid_);
    SweepStaging();
    return Ended(session_, text);
  }

  void SweepStaging() {
    for (const std::string& folder : stagingFolders_) archivekit::sweep_staging_folder(folder);
  }

  Session& session_;
  int pid_;
  int fd_;
  RecordReader records_;
  std::string archive_;
  std::string zipArchive_;
  uint64_t writtenToFiles_ = 0;
  Clock::time_point lastProgress_;
  Clock::time_point lastLook_;
  std::optional<Clock::time_point> cancelledAt_;
  std::vector<std::string> stagingFolders_;
  const Clock::time_point started_ = Clock::now();
  ReadingNotice notice_;
  bool noticeShown_ = false;
};

}  // namespace

std::string ReaderStalledText(const std::string& archive) {
  return "Tessaly stopped reading \"" + archive + "\": it made no progress for " +
         std::to_string(kReaderStallSeconds) + " seconds, the archive is probably damaged.";
}

ReaderResult ReadArchive(Session& session, const ReaderRequest& request,
                         const std::function<ReaderResult()>& here) {
  if (session.programs.reader.empty()) return here();
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    return Ended(session, "Tessaly could not start its archive reader: " +
                              std::string(strerror(errno)) + ".");
  }
  const FileDescriptor ours(pair[0]);
  int errorNumber = 0;
  SpawnOptions options;
  options.channel = pair[1];
  const std::optional<int> pid = SpawnProcess({session.programs.reader}, options, errorNumber);
  close(pair[1]);
  if (!pid) {
    const std::string reason = errorNumber == 53   ? "not found"
                               : errorNumber == 70 ? "permission denied"
                                                   : "error " + std::to_string(errorNumber);
    return Ended(session, "Tessaly could not start its archive reader \"" +
                              session.programs.reader + "\": " + reason + ".");
  }
  ReaderRun run(session, *pid, ours.get(), request.archive);
  return run.Converse(request);
}

}  // namespace tessaly
