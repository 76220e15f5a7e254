// Text found in ZIP headers, converted to UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "name_encoding.h"

namespace unzip {

using codepage::is_valid_utf8;

// Comments carry no encoding flag: bytes that already form valid UTF-8 (ASCII
// included) are kept, anything else is read as code page 437.
std::string comment_to_utf8(std::string_view bytes);

}  // namespace unzip
