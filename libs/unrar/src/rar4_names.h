// Entry names of RAR 1.5-4 file headers as UTF-8 with "/" separators.
#pragma once

#include <cstdint>
#include <string>

namespace unrar {

// field: the header's name bytes; unicodeFlag: file flag 0x0200.
std::string decode_rar4_name(const uint8_t* field, size_t size, bool unicodeFlag);

// UTF-16LE text (RAR 2.9-4 comments stored as Unicode) as UTF-8.
std::string utf16le_to_utf8(const std::string& bytes);

}  // namespace unrar
