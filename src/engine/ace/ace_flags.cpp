#include "engine/ace/ace_flags.h"

#include <bit>

namespace tessaly {

bool BinaryDigitIsOne(uint32_t value, size_t position) {
  const size_t width = static_cast<size_t>(std::bit_width(value));
  if (position == 0 || position > width) return false;
  return ((value >> (width - position)) & 1u) != 0;
}

bool AceEntryEncrypted(uint32_t flags) {
  return BinaryDigitIsOne(flags, 2);
}

bool AceEntryCounted(uint32_t flags) {
  return !BinaryDigitIsOne(flags, 3);
}

}  // namespace tessaly
