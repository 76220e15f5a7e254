#include "rar5_filters.h"

namespace unrar {
namespace {

uint32_t load_le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void store_le32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Call and jump targets were turned from relative into absolute addresses within
// a 16 MiB space; turn them back.
void undo_x86_calls(uint8_t* data, size_t size, uint64_t fileOffset, bool alsoJumps) {
  constexpr uint32_t kAddressSpace = 0x1000000;
  size_t i = 0;
  while (i + 4 < size) {
    const uint8_t opcode = data[i++];
    if (opcode != 0xE8 && !(alsoJumps && opcode == 0xE9)) continue;
    const uint32_t position = static_cast<uint32_t>((i + fileOffset) % kAddressSpace);
    const uint32_t address = load_le32(data + i);
    if (address & 0x80000000u) {
      if (((address + position) & 0x80000000u) == 0) store_le32(data + i, address + kAddressSpace);
    } else if (address < kAddressSpace) {
      store_le32(data + i, address - position);
    }
    i += 4;
  }
}

// BL instructions carry word offsets made absolute by the compressor.
void undo_arm_calls(uint8_t* data, size_t size, uint64_t fileOffset) {
  for (size_t i = 0; i + 3 < size; i += 4) {
    if (data[i + 3] != 0xEB) continue;
    uint32_t offset =
        uint32_t{data[i]} | (uint32_t{data[i + 1]} << 8) | (uint32_t{data[i + 2]} << 16);
    offset -= static_cast<uint32_t>((fileOffset + i) / 4);
    data[i] = static_cast<uint8_t>(offset);
    data[i + 1] = static_cast<uint8_t>(offset >> 8);
    data[i + 2] = static_cast<uint8_t>(offset >> 16);
  }
}

// The stream holds each channel's differences one channel after another.
void undo_delta(const uint8_t* data, size_t size, uint32_t channels, uint8_t* out) {
  size_t source = 0;
  for (uint32_t channel = 0; channel < channels; ++channel) {
    uint8_t previous = 0;
    for (size_t j = channel; j < size; j += channels) {
      previous = static_cast<uint8_t>(previous - data[source++]);
      out[j] = previous;
    }
  }
}

}  // namespace

const uint8_t* apply_rar5_filter(const Rar5Filter& filter, uint8_t* data, size_t size,
                                 uint64_t fileOffset, std::vector<uint8_t>& scratch) {
  switch (filter.type) {
    case Rar5FilterType::e8:
    case Rar5FilterType::e8e9:
      undo_x86_calls(data, size, fileOffset, filter.type == Rar5FilterType::e8e9);
      return data;
    case Rar5FilterType::arm:
      undo_arm_calls(data, size, fileOffset);
      return data;
    case Rar5FilterType::delta:
      scratch.resize(size);
      undo_delta(data, size, filter.channels, scratch.data());
      return scratch.data();
  }
  return data;
}

}  // namespace unrar
