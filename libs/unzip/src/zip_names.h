// Text found in ZIP headers, converted to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace unzip {

bool is_valid_utf8(std::string_view text);

// Code page 437, the encoding of names without the UTF-8 flag.
std::string cp437_to_utf8(std::string_view bytes);

// Comments carry no encoding flag: bytes that already form valid UTF-8 (ASCII
// included) are kept, anything else is read as code page 437.
std::string comment_to_utf8(std::string_view bytes);

}  // namespace unzip
