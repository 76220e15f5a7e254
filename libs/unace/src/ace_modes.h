// The inverse filters of the ACE 2.0 DELTA and EXE modes, applied to bytes after
// LZ77 has decoded them (the dictionary keeps the filtered bytes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace unace {

// Undoes the x86 CALL/JMP translation in place; data[0] is the byte at file
// offset `offset`. 0xE8 carries a 32-bit operand when call32, else 16 bits;
// 0xE9 always 16 bits. An opcode is converted only when 4 more bytes follow it in
// data; returns how many leading bytes are final. The rest, from the first
// opcode among the last bytes on, has to be looked at again together with the
// bytes that follow it.
size_t undo_exe_translation(uint8_t* data, size_t length, uint64_t offset, bool call32);

// Undoes one DELTA block: the running byte sum (last carries across blocks of an
// entry), then the planar order (stride planes of length / stride bytes, the
// first column of every plane first). block is changed; out receives length bytes.
// Needs 1 <= stride <= length.
void undo_delta(uint8_t* block, size_t length, unsigned stride, uint8_t& last, uint8_t* out);

}  // namespace unace
