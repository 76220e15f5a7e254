#include "support/file_size_limit.h"

namespace tessaly::testing {

ScopedFileSizeLimit::ScopedFileSizeLimit(rlim_t bytes) {
  if (getrlimit(RLIMIT_FSIZE, &saved_) != 0) return;
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  if (sigaction(SIGXFSZ, &ignore, &savedAction_) != 0) return;
  rlimit limited = saved_;
  limited.rlim_cur = bytes;
  if (setrlimit(RLIMIT_FSIZE, &limited) != 0) {
    sigaction(SIGXFSZ, &savedAction_, nullptr);
    return;
  }
  active_ = true;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
  if (!active_) return;
  setrlimit(RLIMIT_FSIZE, &saved_);
  sigaction(SIGXFSZ, &savedAction_, nullptr);
}

}  // namespace tessaly::testing
