#include "engine/libarchive/write_behind.h"

#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "archivekit/entry_output.h"

namespace tessaly {

namespace {

// Blocks of one file are gathered into pieces of this size: fewer writes.
constexpr size_t kPieceSize = size_t{256} << 10;
// A sleeping writer is woken when this much waits for it.
constexpr size_t kWakeFiles = 16;
constexpr size_t kWakeBytes = size_t{1} << 20;
// Closed jobs the writer takes at once.
constexpr size_t kBatch = 16;

// Whether size bytes at offset go onto the end of piece.
bool FollowsOn(const WriteBehind::Job::Piece& piece, size_t size, int64_t offset) {
  return !piece.bytes.empty() &&
         piece.offset + static_cast<int64_t>(piece.bytes.size()) == offset &&
         piece.bytes.size() + size <= kPieceSize;
}

// Copies size bytes at from of in to out's offset in the kernel: as a file system's own
// copy where both are on it, else from the page cache; read and written where neither
// can be. 0 or the errno of the failure (EIO when in ends first).
int CopyFully(int in, int64_t from, int out, size_t size) {
  off_t at = from;
  bool sameSystem = true;
  while (size > 0) {
    const ssize_t copied =
        sameSystem ? copy_file_range(in, &at, out, nullptr, size, 0) : sendfile(out, in, &at, size);
    if (copied > 0) {
      size -= static_cast<size_t>(copied);
      continue;
    }
    if (copied == 0) return EIO;
    if (errno == EINTR) continue;
    const bool cannot = errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
    if (!cannot) return errno;
    if (sameSystem) {
      sameSystem = false;
      continue;
    }
    std::vector<uint8_t> buffer(std::min(size, kPieceSize));
    while (size > 0) {
      const ssize_t got = pread(in, buffer.data(), std::min(size, buffer.size()), at);
      if (got <= 0) return got == 0 ? EIO : errno;
      if (const int error = archivekit::write_fully(out, buffer.data(), static_cast<size_t>(got))) {
        return error;
      }
      at += got;
      size -= static_cast<size_t>(got);
    }
  }
  return 0;
}

}  // namespace

void WriteBehind::Job::add(const void* data, size_t size, int64_t offset) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  bytes_ += size;
  if (!pieces.empty() && FollowsOn(pieces.back(), size, offset)) {
    pieces.back().bytes.insert(pieces.back().bytes.end(), bytes, bytes + size);
    return;
  }
  // Sized for the rest of the entry where it says, so that the piece grows no more.
  const int64_t rest = this->size >= 0 ? this->size - offset : 0;
  Piece piece{{}, offset};
  piece.bytes.reserve(std::max<int64_t>(size, std::min<int64_t>(rest, kPieceSize)));
  piece.bytes.assign(bytes, bytes + size);
  pieces.push_back(std::move(piece));
}

WriteBehind::Job& WriteBehind::give(std::unique_ptr<Job> job) {
  Job& given = *job;
  given.given = true;
  if (!threaded_) {
    given.opened = true;
    open(given);
    for (const Job::Piece& piece : given.pieces) put(given, piece);
    given.pieces.clear();
    if (given.closed) complete(given);
    jobs_.push_back(std::move(job));
    return given;
  }
  if (!main_.thread.joinable()) {
    main_.thread = std::thread([this] { work(main_); });
    helper_.thread = std::thread([this] { work(helper_); });
  }
  size_t bytes = 0;
  size_t copies = 0;
  for (const Job::Piece& piece : given.pieces) (piece.fromFd >= 0 ? copies : bytes) += piece.size();
  std::lock_guard lock(mutex_);
  jobs_.push_back(std::move(job));
  ++unfinished_;
  queuedBytes_ += bytes;
  queuedCopies_ += copies;
  wake_writer(false);
  wake_helper(given);
  return given;
}

void WriteBehind::write(Job& job, const void* data, size_t size, int64_t offset) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  job.bytes_ += size;
  if (!threaded_) {
    put(job, offset, bytes, size);
    return;
  }
  if (!building_.bytes.empty() && !FollowsOn(building_, size, offset)) flush_piece(job);
  if (building_.bytes.empty()) {
    building_.offset = offset;
    building_.bytes.reserve(kPieceSize);
  }
  building_.bytes.insert(building_.bytes.end(), bytes, bytes + size);
  if (building_.bytes.size() >= kPieceSize) flush_piece(job);
}

void WriteBehind::copy(Job& job, int fd, int64_t from, size_t size, int64_t offset) {
  job.bytes_ += size;
  Job::Piece piece{{}, offset, fd, from, size};
  if (!threaded_) {
    put(job, piece);
    return;
  }
  flush_piece(job);
  std::lock_guard lock(mutex_);
  queuedCopies_ += size;
  job.pieces.push_back(std::move(piece));
  wake_writer(false);
  wake_helper(job);
}

void WriteBehind::flush_piece(Job& job) {
  if (building_.bytes.empty()) return;
  std::lock_guard lock(mutex_);
  queuedBytes_ += building_.bytes.size();
  job.pieces.push_back(std::move(building_));
  building_ = {};
  if (!spare_.empty()) {
    building_.bytes = std::move(spare_.back());
    building_.bytes.clear();
    spare_.pop_back();
  }
  wake_writer(false);
}

void WriteBehind::close(Job& job, bool whole) {
  if (!job.given) {
    job.closed = true;
    job.whole = whole;
    return;
  }
  if (!threaded_) {
    job.closed = true;
    job.whole = whole;
    complete(job);
    return;
  }
  flush_piece(job);
  std::lock_guard lock(mutex_);
  job.closed = true;
  job.whole = whole;
  wake_writer(false);
}

void WriteBehind::complete(Job& job) {
  finish(job);
  place(job);
  job.done = true;
  ++finished_;
}

bool WriteBehind::writer_idle() const {
  return std::none_of(jobs_.begin(), jobs_.end(), [](const std::unique_ptr<Job>& job) {
    return !job->done && (job->closed || !job->opened || !job->pieces.empty());
  });
}

bool WriteBehind::caller_may_go() const {
  if (callerWaitsUntil_ == Until::Room && unfinished_ <= kQueuedFiles / 2 &&
      queuedBytes_.load() <= kQueuedBytes / 2 && queuedCopies_.load() <= kQueuedCopies / 2) {
    return true;
  }
  return writer_idle();
}

bool WriteBehind::wait(Until until, std::chrono::milliseconds timeout) {
  if (!threaded_) return true;
  std::unique_lock lock(mutex_);
  callerWaitsUntil_ = until;
  wake_writer(true);
  callerWaiting_ = true;
  const bool went = callerWake_.wait_for(lock, timeout, [this] { return caller_may_go(); });
  callerWaiting_ = false;
  return went;
}

std::unique_ptr<WriteBehind::Job> WriteBehind::take_front() {
  std::unique_ptr<Job> job;
  {
    std::lock_guard lock(mutex_);
    job = std::move(jobs_.front());
    jobs_.pop_front();
  }
  ++taken_;
  return job;
}

std::deque<std::unique_ptr<WriteBehind::Job>> WriteBehind::abandon() {
  if (main_.thread.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      main_.woken = helper_.woken = true;
    }
    for (Writer* writer : {&main_, &helper_}) {
      writer->wake.notify_one();
      writer->thread.join();
    }
  }
  return std::exchange(jobs_, {});
}

void WriteBehind::wake_writer(bool now) {
  if (!main_.asleep || main_.woken) return;
  if (!now && unfinished_ < kWakeFiles && queuedBytes_.load() < kWakeBytes &&
      queuedCopies_.load() < kWakeBytes) {
    return;
  }
  main_.woken = true;
  main_.wake.notify_one();
}

void WriteBehind::wake_helper(const Job& job) {
  if (!helper_.asleep || helper_.woken || pieces_bytes(job) < kWakeBytes) return;
  helper_.woken = true;
  helper_.wake.notify_one();
}

size_t WriteBehind::pieces_bytes(const Job& job) {
  size_t bytes = 0;
  for (const Job::Piece& piece : job.pieces) bytes += piece.size();
  return bytes;
}

std::vector<WriteBehind::Job*> WriteBehind::next_work(const Writer& writer,
                                                      std::deque<Job::Piece>& pieces) {
  std::vector<Job*> work;
  size_t bytes = 0;
  for (const std::unique_ptr<Job>& job : jobs_) {
    if (job->done || job->taken || job->busy) continue;
    // The helper takes only a large file that comes next.
    if (&writer == &helper_ && pieces_bytes(*job) < kWakeBytes) break;
    if (!job->closed) {
      // The open job comes last: its pieces so far, unless closed ones go first.
      if (work.empty() && (!job->opened || !job->pieces.empty())) {
        pieces.swap(job->pieces);
        work.push_back(job.get());
        job->opened = true;
        job->busy = true;
      }
      break;
    }
    job->taken = true;
    job->opened = true;
    job->busy = true;
    work.push_back(job.get());
    bytes += pieces_bytes(*job);
    // A large file goes on its own, so that the helper may take the file after it.
    if (work.size() == kBatch || bytes >= kWakeBytes) break;
  }
  return work;
}

void WriteBehind::work(Writer& writer) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stopping_) return;
    std::deque<Job::Piece> openPieces;
    const std::vector<Job*> work = next_work(writer, openPieces);
    if (work.empty()) {
      if (place_written(lock)) continue;
      writer.asleep = true;
      writer.wake.wait(lock, [&writer] { return writer.woken; });
      writer.asleep = false;
      writer.woken = false;
      continue;
    }
    // A large file after the one taken is the helper's.
    for (const std::unique_ptr<Job>& job : jobs_) {
      if (!job->taken && !job->busy && !job->done) {
        wake_helper(*job);
        break;
      }
    }
    lock.unlock();
    size_t written = 0;
    size_t copied = 0;
    bool stopped = false;
    for (Job* job : work) {
      if (!job->file.is_open() && job->error == 0) open(*job);
      // A taken job's pieces are its writer's alone.
      stopped = !put_all(*job, job->taken ? job->pieces : openPieces, written, copied);
      if (stopped) break;
      if (job->taken) finish(*job);
    }
    lock.lock();
    if (stopped) return;
    queuedBytes_ -= written;
    queuedCopies_ -= copied;
    for (Job* job : work) {
      std::deque<Job::Piece>& pieces = job->taken ? job->pieces : openPieces;
      for (Job::Piece& piece : pieces) {
        if (piece.fromFd < 0) spare_.push_back(std::move(piece.bytes));
      }
      pieces.clear();
      job->busy = false;
      job->written = job->taken;
    }
    if (spare_.size() > kBatch) spare_.resize(kBatch);
    place_written(lock);
    if (callerWaiting_ && caller_may_go()) callerWake_.notify_one();
  }
}

bool WriteBehind::place_written(std::unique_lock<std::mutex>& lock) {
  if (placing_) return false;
  bool placed = false;
  for (;;) {
    std::vector<Job*> ready;
    for (const std::unique_ptr<Job>& job : jobs_) {
      if (job->done) continue;
      if (!job->written) break;
      ready.push_back(job.get());
    }
    if (ready.empty() || stopping_) return placed;
    placing_ = true;
    lock.unlock();
    for (Job* job : ready) place(*job);
    lock.lock();
    placing_ = false;
    for (Job* job : ready) {
      job->done = true;
      --unfinished_;
      ++finished_;
    }
    placed = true;
    if (callerWaiting_ && caller_may_go()) callerWake_.notify_one();
  }
}

void WriteBehind::open(Job& job) {
  if (job.folderOnly || job.file.is_open()) return;
  if (!job.file.open_unnamed_at(job.folder.fd(), job.folderPath, job.leaf, job.mode)) {
    job.error = errno;
  }
}

bool WriteBehind::put_all(Job& job, const std::deque<Job::Piece>& pieces, size_t& bytes,
                          size_t& copied) {
  for (const Job::Piece& piece : pieces) {
    if (stopping_) return false;
    put(job, piece);
    (piece.fromFd >= 0 ? copied : bytes) += piece.size();
  }
  return true;
}

void WriteBehind::put(Job& job, const Job::Piece& piece) {
  if (piece.fromFd < 0) {
    put(job, piece.offset, piece.bytes.data(), piece.bytes.size());
    return;
  }
  if (job.error != 0 || piece.fromSize == 0) return;
  if (piece.offset != job.position && lseek(job.file.fd(), piece.offset, SEEK_SET) < 0) {
    job.error = errno;
    return;
  }
  job.error = CopyFully(piece.fromFd, piece.from, job.file.fd(), piece.fromSize);
  job.position = piece.offset + static_cast<int64_t>(piece.fromSize);
  job.end = std::max(job.end, job.position);
}

void WriteBehind::put(Job& job, int64_t offset, const uint8_t* bytes, size_t size) {
  if (job.error != 0 || size == 0) return;
  // Blocks of a sparse file leave holes between them.
  if (offset != job.position && lseek(job.file.fd(), offset, SEEK_SET) < 0) {
    job.error = errno;
    return;
  }
  job.error = archivekit::write_fully(job.file.fd(), bytes, size);
  job.position = offset + static_cast<int64_t>(size);
  job.end = std::max(job.end, job.position);
}

void WriteBehind::finish(Job& job) {
  if (job.folderOnly || job.error != 0 || !job.whole) return;
  // A hole at the end of a sparse file has no block of its own.
  if (job.size > job.end && ftruncate(job.file.fd(), job.size) != 0) {
    job.error = errno;
    return;
  }
  if (job.modified) {
    const timespec times[2] = {{0, UTIME_OMIT}, *job.modified};
    futimens(job.file.fd(), times);
  }
  if (job.finalMode != 0) fchmod(job.file.fd(), job.finalMode);
}

void WriteBehind::place(Job& job) {
  if (job.folderOnly || job.error != 0 || !job.whole) return;
  // An unnamed file goes in now where its name is free; else the caller's commit
  // replaces what holds it.
  job.file.place_if_free();
}

}  // namespace tessaly
