// The UTF-16LE text of 7z names and of the password its key is made from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace un7z {

// units UTF-16LE code units; an unpaired surrogate becomes U+FFFD.
std::string utf16le_to_utf8(const uint8_t* data, size_t units);
// Invalid UTF-8 bytes become U+FFFD.
std::string utf8_to_utf16le(const std::string& text);

}  // namespace un7z
