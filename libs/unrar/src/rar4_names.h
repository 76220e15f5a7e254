// Entry names of RAR 1.5-4 file headers as UTF-8 with "/" separators.
#pragma once

#include <cstdint>
#include <string>

namespace unrar {

// field: the header's name bytes; unicodeFlag: file flag 0x0200. A name neither in
// Unicode nor UTF-8 is read in code page 437, its bytes left in codePageBytes for a
// better reading (else codePageBytes is cleared).
std::string decode_rar4_name(const uint8_t* field, size_t size, bool unicodeFlag,
                             std::string& codePageBytes);

// Such bytes read in encoding, "/" separated.
std::string read_code_page_name(const std::string& codePageBytes, const std::string& encoding);

// UTF-16LE text (RAR 2.9-4 comments stored as Unicode) as UTF-8.
std::string utf16le_to_utf8(const std::string& bytes);

}  // namespace unrar
