#include "wiz_entry_pool.h"

#include <sched.h>

#include <algorithm>
#include <chrono>

namespace unzip {

namespace {

constexpr unsigned kMostWorkers = 8;
// Entries decided ahead of the one whose turn it is. Each holds at most an open
// staged file once decoded; the decoders' memory is the workers', one entry each.
constexpr std::size_t kQueueLimit = 64;
// A worker can be held up (a disk flushing its cache): the caller's windows must not be.
constexpr std::chrono::milliseconds kIdleInterval{50};

unsigned usable_cores() {
  cpu_set_t cores;
  if (sched_getaffinity(0, sizeof cores, &cores) == 0)
    return static_cast<unsigned>(CPU_COUNT(&cores));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

// A chunk to print, or (service set) a service call owed, with the bytes written then.
struct Step {
  bool service = false;
  std::string chunk;
  uint64_t written = 0;
};

struct EntryPool::Task {
  const EntryInfo* entry = nullptr;
  std::string password;
  std::string relative;
  std::string out;
  std::vector<std::string> before;  // the caller's chunks that come first
  std::vector<std::string> chunks;  // the worker's, not yet published
  archivekit::StagedFile file;
  Decoded decoded = Decoded::Failed;
  int32_t code = 0;
  // The worker's chunks and service points in their order (under mutex_).
  std::vector<Step> published;
  bool done = false;     // under mutex_
  bool started = false;  // its first chunks and the sound call were made
};

unsigned worker_count(int32_t requested) {
  const unsigned wanted = requested > 0 ? static_cast<unsigned>(requested) : usable_cores();
  return std::min(wanted, kMostWorkers);
}

EntryPool::EntryPool(CallState& call, ZipArchive& archive, unsigned workers)
    : call_(call), archive_(archive) {
  for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
  call_.before_question = [this] { return drain() == EntryEnd::Next; };
}

EntryPool::~EntryPool() {
  call_.before_question = nullptr;
  stop();
}

void EntryPool::work() {
  for (;;) {
    Task* task = nullptr;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || next_to_decode_ < tasks_.size(); });
      if (stopping_) return;
      task = tasks_[next_to_decode_++].get();
    }
    decode(*task);
    {
      std::lock_guard lock(mutex_);
      publish(*task);
      task->done = true;
    }
    changed_.notify_all();
  }
}

// The worker's own call state: the same options and folder, chunks kept for later,
// and service points counted for the caller to make the calls.
void EntryPool::decode(Task& task) {
  CallState call(call_.options, call_.callbacks);
  call.zip_path = call_.zip_path;
  call.root = call_.root;
  call.printer.hold(&task.chunks);
  task.decoded = decode_entry(call, archive_, *task.entry, task.password, task.out, task.file,
                              [&](uint64_t written) {
                                {
                                  std::lock_guard lock(mutex_);
                                  publish(task);
                                  task.published.push_back({true, {}, written});
                                }
                                changed_.notify_all();
                                return stopping_.load();
                              });
  task.code = call.codes.worst();
}

EntryEnd EntryPool::submit(const EntryInfo& entry, std::string password, std::string relative) {
  while (tasks_.size() >= kQueueLimit) {
    if (conclude_head(true) == EntryEnd::Stop) return EntryEnd::Stop;
  }
  auto task = std::make_unique<Task>();
  task->entry = &entry;
  task->password = std::move(password);
  task->out = call_.output_path(relative);
  task->relative = std::move(relative);
  task->before = std::move(held_);
  held_.clear();
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  changed_.notify_all();
  call_.printer.hold(&held_);
  return conclude_finished();
}

EntryEnd EntryPool::conclude_finished() {
  while (!tasks_.empty()) {
    const std::optional<EntryEnd> end = conclude_head(false);
    if (!end) break;
    if (*end == EntryEnd::Stop) return EntryEnd::Stop;
  }
  return EntryEnd::Next;
}

EntryEnd EntryPool::drain() {
  while (!tasks_.empty()) {
    if (conclude_head(true) == EntryEnd::Stop) return EntryEnd::Stop;
  }
  return EntryEnd::Next;
}

bool EntryPool::queued(const std::string& relative) const {
  return std::any_of(tasks_.begin(), tasks_.end(), [&](const std::unique_ptr<Task>& task) {
    const std::string& other = task->relative;
    return relative == other || (relative.size() > other.size() && relative.starts_with(other) &&
                                 relative[other.size()] == '/');
  });
}

// Under mutex_.
void EntryPool::publish(Task& task) {
  for (std::string& chunk : task.chunks) task.published.push_back({false, std::move(chunk)});
  task.chunks.clear();
}

// The head entry's chunks and the service calls its writing owes, in their order, as a
// writer on this thread would have made them.
std::optional<EntryEnd> EntryPool::conclude_head(bool wait) {
  Task& task = *tasks_.front();
  call_.printer.hold(nullptr);
  if (!task.started) {
    task.started = true;
    for (std::string& chunk : task.before) call_.printer.say(std::move(chunk));
    if (call_.callbacks.sound) call_.callbacks.sound();
  }
  for (;;) {
    std::vector<Step> steps;
    bool done = false;
    {
      std::unique_lock lock(mutex_);
      const auto ready = [&] { return task.done || !task.published.empty(); };
      if (wait && !changed_.wait_for(lock, kIdleInterval, ready)) {
        lock.unlock();
        if (idle_says_stop()) return stop();
        continue;
      }
      steps.swap(task.published);
      done = task.done;
    }
    for (Step& step : steps) {
      if (!step.service) {
        call_.printer.say(std::move(step.chunk));
      } else if (service_says_stop(call_, task.out, step.written)) {
        return stop();
      }
    }
    if (done) break;
    if (!wait) {
      call_.printer.hold(&held_);
      return std::nullopt;
    }
  }
  call_.codes.raise(task.code);
  const EntryEnd end = place_entry(call_, task.decoded, task.file, *task.entry, task.out);
  {
    std::lock_guard lock(mutex_);
    tasks_.pop_front();
    --next_to_decode_;
  }
  if (end == EntryEnd::Stop) return stop();
  if (tasks_.empty()) {
    print_directly();
  } else {
    call_.printer.hold(&held_);
  }
  return EntryEnd::Next;
}

bool EntryPool::idle_says_stop() {
  if (!call_.callbacks.idle || call_.callbacks.idle() == 0) return false;
  call_.codes.raise(IZ_CTRLC);
  return true;
}

// Ends the workers and forgets what is queued: the call ends before those entries.
EntryEnd EntryPool::stop() {
  {
    // Set under the lock: a worker between its check and its wait would miss the wake-up.
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  tasks_.clear();
  held_.clear();
  call_.printer.hold(nullptr);
  return EntryEnd::Stop;
}

void EntryPool::print_directly() {
  call_.printer.hold(nullptr);
  for (std::string& chunk : held_) call_.printer.say(std::move(chunk));
  held_.clear();
}

}  // namespace unzip
