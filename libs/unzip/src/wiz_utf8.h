// UTF-8 stepping shared by the name filter and the pattern matcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace unzip {

// Length of the valid UTF-8 sequence starting at text[at], or 0 when the bytes there
// do not form one (stray continuation byte, overlong form, surrogate, cut short).
std::size_t utf8_sequence_length(std::string_view text, std::size_t at);

// The code point at text[at] and its length in bytes; an invalid byte stands for itself
// with length 1, so every byte of any input is consumed exactly once.
struct CodePoint {
  uint32_t value;
  std::size_t length;
};
CodePoint next_code_point(std::string_view text, std::size_t at);

}  // namespace unzip
