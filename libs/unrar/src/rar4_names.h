// Entry names of RAR 1.5-4 file headers as UTF-8 with "/" separators.
#pragma once

#include <cstdint>
#include <string>

namespace unrar {

// field: the header's name bytes; unicodeFlag: file flag 0x0200.
std::string decode_rar4_name(const uint8_t* field, size_t size, bool unicodeFlag);

}  // namespace unrar
