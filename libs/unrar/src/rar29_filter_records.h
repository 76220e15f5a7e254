// Filter records of RAR 2.9 streams: the definitions an archive sends (kept across
// solid files) and the filter instances they create for ranges of the output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "rar_vm_filters.h"

namespace unrar {

struct PendingFilter {
  StandardFilter filter;
  uint64_t start = 0;  // position in the solid stream
  uint32_t length = 0;
  uint32_t r0 = 0;
  uint32_t r1 = 0;
};

enum class FilterRecordResult { ok, bad_data, unsupported };

class Rar29FilterRecords {
 public:
  // Ranges larger than this never occur in sound archives.
  static constexpr uint32_t kMaxRangeLength = 0x3C000;

  // Forgets all definitions (a non-solid start).
  void reset();

  // Parses one record whose leading byte was `first`; `position` is the position
  // of the next byte the decoder produces. A new instance is appended to pending.
  FilterRecordResult add_record(uint8_t first, const uint8_t* record, size_t size,
                                uint64_t position, uint64_t windowSize,
                                std::deque<PendingFilter>& pending);

 private:
  struct Definition {
    std::optional<StandardFilter> filter;  // nullopt: a program we do not run
    uint32_t lastLength = 0;
  };
  std::vector<Definition> definitions_;
  size_t lastSlot_ = 0;
};

}  // namespace unrar
