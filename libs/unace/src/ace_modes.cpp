#include "ace_modes.h"

namespace unace {

namespace {

constexpr uint8_t kCall = 0xE8;
constexpr uint8_t kJump = 0xE9;
constexpr size_t kOperandLookahead = 4;

void subtract_position(uint8_t* operand, unsigned bytes, uint32_t position) {
  uint32_t value = 0;
  for (unsigned i = 0; i < bytes; ++i) value |= uint32_t{operand[i]} << (8 * i);
  value -= position;
  for (unsigned i = 0; i < bytes; ++i) operand[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

size_t undo_exe_translation(uint8_t* data, size_t length, uint64_t offset, bool call32) {
  size_t i = 0;
  while (i + kOperandLookahead < length) {
    const uint8_t opcode = data[i];
    if (opcode == kCall || opcode == kJump) {
      const unsigned bytes = opcode == kCall && call32 ? 4 : 2;
      subtract_position(data + i + 1, bytes, static_cast<uint32_t>(offset + i));
      i += 1 + bytes;
    } else {
      ++i;
    }
  }
  for (size_t held = i; held < length; ++held) {
    if (data[held] == kCall || data[held] == kJump) return held;
  }
  return length;
}

void undo_delta(uint8_t* block, size_t length, unsigned stride, uint8_t& last, uint8_t* out) {
  for (size_t i = 0; i < length; ++i) {
    last = static_cast<uint8_t>(block[i] + last);
    block[i] = last;
  }
  // Columns 0..plane-1 stepping by plane reach every index once (plane >= 1).
  const size_t plane = length / stride;
  size_t written = 0;
  for (size_t column = 0; column < plane; ++column) {
    for (size_t at = column; at < length; at += plane) out[written++] = block[at];
  }
}

}  // namespace unace
