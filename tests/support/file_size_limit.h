// A full disk, as far as the children started while it lives can tell: their writes
// beyond `bytes` fail with EFBIG instead of killing them with SIGXFSZ. Works as root,
// which a full file system or a read-only folder would not stop.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace tessaly::testing {

// Limits this process too, so it must only wait for children while it lives.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes);
  ~ScopedFileSizeLimit();
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

  bool active() const { return active_; }

 private:
  rlimit saved_{};
  struct sigaction savedAction_ {};
  bool active_ = false;
};

}  // namespace tessaly::testing
