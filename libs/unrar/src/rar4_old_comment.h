// The comment block (type 0x75) that RAR 1.5-2.x archives embed in their main
// header: checked, then unpacked with the decoder of its version.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace unrar {

// block: the bytes from the comment block's own CRC to the end of the main header.
// An ERAR_* code.
int unpack_old_comment(const std::vector<uint8_t>& block, std::string& text);

}  // namespace unrar
