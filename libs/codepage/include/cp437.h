// The DOS code page 437, in which archivers of the DOS era stored names and
// comments, converted to UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace codepage {

// The Unicode code point of one code page 437 byte.
char16_t cp437_code_point(uint8_t byte);

// Appends code (any Unicode scalar value) to out as UTF-8.
void append_utf8(std::string& out, uint32_t code);

// Every byte read as code page 437.
std::string cp437_to_utf8(std::string_view bytes);

}  // namespace codepage
