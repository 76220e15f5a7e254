// How the ACE backend reads a header's flags: as a binary numeral counted from its
// highest set bit, not from bit 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly {

// Whether the position-th digit (1 = the first) of value written in binary, most
// significant digit first and without leading zeros, is "1". 0 has no digits; a
// position beyond the numeral's end is not "1".
bool BinaryDigitIsOne(uint32_t value, size_t position);

// The second digit: the entry is encrypted.
bool AceEntryEncrypted(uint32_t flags);
// False when the third digit is "1" (a part continued from an earlier volume): the
// counting pass leaves those out.
bool AceEntryCounted(uint32_t flags);

}  // namespace tessaly
