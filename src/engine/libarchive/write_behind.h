// Files written on threads of their own while the caller reads the entries after
// them: writing, not reading, is what a tar costs. The writers only make, fill and time
// staged files, each file in one writer's hands at a time, so that one may copy a large
// file while the other goes on with the next; they link the files in archive order,
// only where the name is free. The caller keeps every question, message and
// replacement, and takes each file back once it is in place. Without writers every
// step runs on the caller's thread when the file is given.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archivekit/held_destination.h"
#include "archivekit/staged_file.h"

namespace tessaly {

class WriteBehind {
 public:
  // Files, and bytes, given to the writers and not yet taken back, at most.
  static constexpr size_t kQueuedFiles = 64;
  static constexpr size_t kQueuedBytes = size_t{8} << 20;
  // Bytes to copy from the archive file in the kernel, given and not yet copied, at
  // most: they take no memory, and so much ahead lets a second large file be copied
  // while the first still is.
  static constexpr size_t kQueuedCopies = size_t{256} << 20;

  // What the caller waits for: room for more, or the writer having nothing to do
  // (every file given all its bytes is done).
  enum class Until { Room, Idle };

  struct Job {
    // Where the writer makes the staged file (with mode) when file is not open yet.
    archivekit::EntryFolder folder;
    std::string folderPath;  // "" or ending in "/"
    std::string leaf;
    mode_t mode = 0;
    archivekit::StagedFile file;
    // A folder the caller made itself: nothing to write, only its turn to keep.
    bool folderOnly = false;
    // Once every byte is written: stretched to size (the hole a sparse file ends
    // in), given its time and, unless 0, finalMode.
    int64_t size = -1;
    std::optional<timespec> modified;
    mode_t finalMode = 0;
    // The writer's result, read once done: 0 or the error of the step that failed.
    int error = 0;
    // The caller's alone.
    std::string shownName;
    std::string path;            // its final path
    bool madeFolder = false;     // a folder only: this run made it
    bool started = false;        // its line is shown already
    bool lineWhenFirst = false;  // shown once the files before it are in place
    uint64_t bytesReadAfter = 0;

    // Before the job is given: its bytes at offset, copied.
    void add(const void* data, size_t size, int64_t offset);
    uint64_t bytes() const { return bytes_; }

    struct Piece {
      std::vector<uint8_t> bytes;
      int64_t offset = 0;
      // Or copied in from the archive file: fromSize bytes at from of fromFd.
      int fromFd = -1;
      int64_t from = 0;
      size_t fromSize = 0;
      size_t size() const { return fromFd >= 0 ? fromSize : bytes.size(); }
    };

   private:
    friend class WriteBehind;
    uint64_t bytes_ = 0;
    // The caller's until given; then under the mutex.
    std::deque<Piece> pieces;
    bool closed = false;  // no more pieces come
    bool whole = false;   // and every byte came: it is finished as the entry says
    bool given = false;
    bool taken = false;    // by a writer, closed, to do whole
    bool busy = false;     // in a writer's hands now
    bool written = false;  // all but its link done
    bool done = false;     // and linked in where it may be: the caller's again
    bool opened = false;   // taken by a writer once, so made or being made
    // Its writer's while not written.
    int64_t position = 0;  // where the file's offset stands
    int64_t end = 0;
  };

  explicit WriteBehind(bool threaded) : threaded_(threaded) {}
  // Jobs not taken back go; a file not placed yet is discarded.
  ~WriteBehind() { abandon(); }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Gives the job to the writer, closed (close() called before) or not.
  Job& give(std::unique_ptr<Job> job);
  // More bytes at offset for a job given open.
  void write(Job& job, const void* data, size_t size, int64_t offset);
  // More bytes at offset, copied from size bytes at from of fd (open until the job is
  // done), which the writer copies in the kernel.
  void copy(Job& job, int fd, int64_t from, size_t size, int64_t offset);
  // Bytes given to copy and not copied yet.
  uint64_t copies_pending() const { return queuedCopies_.load(); }
  // No more bytes come; whole: all the entry's bytes came, so the file is finished
  // (stretched, timed, linked in where its name is free); else it is left as written,
  // to be kept as damaged.
  void close(Job& job, bool whole);

  bool empty() const { return jobs_.empty(); }
  Job& front() { return *jobs_.front(); }
  bool has_room() const {
    return jobs_.size() < kQueuedFiles && queuedBytes_.load() < kQueuedBytes &&
           queuedCopies_.load() < kQueuedCopies;
  }
  bool front_done() const { return !jobs_.empty() && finished_.load() > taken_; }
  // Waits at most timeout; true when what it waited for is so. Room comes once the
  // writers have caught up with half the queue, so that the threads take turns seldom.
  bool wait(Until until, std::chrono::milliseconds timeout);
  // The first job, done, taken back.
  std::unique_ptr<Job> take_front();
  // Stops the writers after the piece in hand; the jobs not taken back, for the caller
  // to undo what it did for them (discarded when they go).
  std::deque<std::unique_ptr<Job>> abandon();

 private:
  // A writing thread. The main writer takes every job in turn; the helper only a large
  // file that comes next, so that it is copied while the main writer copies another
  // or goes on with small files: small files go faster on one writer than on two that
  // wait on each other.
  struct Writer {
    std::thread thread;
    std::condition_variable wake;
    bool asleep = false;  // under mutex_, as woken
    bool woken = false;
  };

  bool caller_may_go() const;
  bool writer_idle() const;
  // Wakes the sleeping main writer when enough waits for it, or at once with now.
  void wake_writer(bool now);
  // Wakes the sleeping helper when job is large.
  void wake_helper(const Job& job);
  static size_t pieces_bytes(const Job& job);
  void flush_piece(Job& job);
  // Without writers: the job's last steps, at once.
  void complete(Job& job);
  void work(Writer& writer);
  // Takes writer's next work under the mutex: closed jobs, or the pieces of an open one.
  std::vector<Job*> next_work(const Writer& writer, std::deque<Job::Piece>& pieces);
  // Links in, in archive order, the jobs written since; one writer at a time does it.
  // True when it did. Called with lock held, which it lets go meanwhile.
  bool place_written(std::unique_lock<std::mutex>& lock);
  static void open(Job& job);
  // False when the writers stop first.
  bool put_all(Job& job, const std::deque<Job::Piece>& pieces, size_t& bytes, size_t& copied);
  static void put(Job& job, const Job::Piece& piece);
  static void put(Job& job, int64_t offset, const uint8_t* bytes, size_t size);
  static void finish(Job& job);
  static void place(Job& job);

  const bool threaded_;
  // The caller's: the deque itself changes only on its thread, under mutex_.
  std::deque<std::unique_ptr<Job>> jobs_;
  size_t taken_ = 0;     // jobs taken back
  Job::Piece building_;  // bytes for the open job, given in whole pieces
  std::mutex mutex_;
  // Each side wakes the other only when it waits for what was just done: a wake-up
  // per file would cost more than writing it.
  Writer main_;
  Writer helper_;
  std::condition_variable callerWake_;
  std::atomic<size_t> finished_{0};  // jobs done, counted from the start
  std::atomic<size_t> queuedBytes_{0};
  std::atomic<size_t> queuedCopies_{0};
  std::atomic<bool> stopping_{false};
  // Under mutex_.
  size_t unfinished_ = 0;
  std::vector<std::vector<uint8_t>> spare_;
  bool placing_ = false;
  bool callerWaiting_ = false;
  Until callerWaitsUntil_ = Until::Idle;
};

}  // namespace tessaly
