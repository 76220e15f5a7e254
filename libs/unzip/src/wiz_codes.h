// The call's result: the worst code raised while working, and how the counts of
// processed, skipped and password-failed entries turn it into the final code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unzip {

class CodeTracker {
 public:
  // A raise never lowers the code.
  void raise(int32_t code) {
    if (code > worst_) worst_ = code;
  }
  int32_t worst() const { return worst_; }

 private:
  int32_t worst_ = 0;
};

struct ExtractTally {
  uint32_t processed = 0;  // reached the per-entry pass (folders and failures included)
  uint32_t skipped = 0;    // refused before it: unsupported method or version
  uint32_t bad_password = 0;
};

int32_t final_extract_code(int32_t worst, const ExtractTally& tally,
                           std::size_t unmatched_includes);
int32_t final_list_code(int32_t worst, uint32_t listed);

}  // namespace unzip
