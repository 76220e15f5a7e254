// The transforms a RAR5 stream asks for on ranges of its output: they undo what
// the compressor did to make x86 and ARM code and interleaved samples pack better.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace unrar {

enum class Rar5FilterType : uint8_t { delta = 0, e8 = 1, e8e9 = 2, arm = 3 };

struct Rar5Filter {
  uint64_t start;  // position in the solid stream
  uint32_t length;
  Rar5FilterType type;
  uint32_t channels;  // DELTA only
};

// Filters data in place or into scratch and returns where the result lies (size
// bytes). fileOffset = bytes of the current file written before the range.
const uint8_t* apply_rar5_filter(const Rar5Filter& filter, uint8_t* data, size_t size,
                                 uint64_t fileOffset, std::vector<uint8_t>& scratch);

}  // namespace unrar
