#include "rar_vm_filters.h"

#include <array>
#include <cstdlib>

#include "archive_crc.h"

namespace unrar {
namespace {

uint32_t load_u32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void store_u32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

void filter_x86_calls(std::vector<uint8_t>& data, uint64_t fileOffset, bool alsoJumps) {
  const size_t size = data.size();
  if (size <= 4) return;
  size_t i = 0;
  while (i < size - 4) {
    const uint8_t opcode = data[i++];
    if (opcode != 0xE8 && !(alsoJumps && opcode == 0xE9)) continue;
    const uint32_t position = static_cast<uint32_t>(i + fileOffset);
    const uint32_t address = load_u32(&data[i]);
    if (address & 0x80000000u) {
      if (((address + position) & 0x80000000u) == 0) store_u32(&data[i], address + 0x1000000u);
    } else if (address < 0x1000000u) {
      store_u32(&data[i], address - position);
    }
    i += 4;
  }
}

uint32_t bundle_field(const uint8_t* bundle, unsigned bitPosition) {
  return load_u32(bundle + bitPosition / 8) >> (bitPosition % 8);
}

void filter_itanium(std::vector<uint8_t>& data, uint64_t fileOffset) {
  static constexpr uint8_t kSlotMasks[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
  const size_t size = data.size();
  if (size <= 21) return;
  uint32_t bundleNumber = static_cast<uint32_t>(fileOffset >> 4);
  for (size_t i = 0; i < size - 21; i += 16, ++bundleNumber) {
    uint8_t* bundle = &data[i];
    const int templateIndex = (bundle[0] & 0x1F) - 16;
    if (templateIndex < 0) continue;
    const uint8_t mask = kSlotMasks[templateIndex];
    for (unsigned slot = 0; slot < 3; ++slot) {
      if ((mask & (1u << slot)) == 0) continue;
      const unsigned position = 41 * slot + 5;
      if ((bundle_field(bundle, position + 37) & 0xF) != 5) continue;
      const unsigned fieldBit = position + 13;
      const unsigned byte = fieldBit / 8;
      const unsigned shift = fieldBit % 8;
      uint32_t word = load_u32(bundle + byte);
      const uint32_t target = ((word >> shift) - bundleNumber) & 0xFFFFF;
      word = (word & ~(0xFFFFFu << shift)) | (target << shift);
      store_u32(bundle + byte, word);
    }
  }
}

bool filter_delta(std::vector<uint8_t>& data, uint32_t channels, std::vector<uint8_t>& out) {
  if (channels < 1 || channels > 1024) return false;
  const size_t size = data.size();
  out.resize(size);
  size_t source = 0;
  for (uint32_t channel = 0; channel < channels; ++channel) {
    uint8_t previous = 0;
    for (size_t j = channel; j < size; j += channels) out[j] = previous -= data[source++];
  }
  data.swap(out);
  return true;
}

bool filter_rgb(std::vector<uint8_t>& data, uint32_t width, uint32_t redPosition,
                std::vector<uint8_t>& out) {
  const size_t size = data.size();
  if (size < 3 || width < 3 || width - 3 > size || redPosition > 2) return false;
  // A row of a single pixel predicts from the byte being written: let it be zero.
  out.assign(size, 0);
  size_t source = 0;
  for (size_t channel = 0; channel < 3; ++channel) {
    unsigned previous = 0;
    for (size_t j = channel; j < size; j += 3) {
      unsigned predicted = previous;
      if (j >= width) {
        const unsigned up = out[j - width + 3];
        const unsigned upLeft = out[j - width];
        const int guess = static_cast<int>(previous + up) - static_cast<int>(upLeft);
        const int pa = std::abs(guess - static_cast<int>(previous));
        const int pb = std::abs(guess - static_cast<int>(up));
        const int pc = std::abs(guess - static_cast<int>(upLeft));
        predicted = (pa <= pb && pa <= pc) ? previous : (pb <= pc ? up : upLeft);
      }
      previous = (predicted - data[source++]) & 0xFF;
      out[j] = static_cast<uint8_t>(previous);
    }
  }
  for (size_t j = redPosition; j + 2 < size; j += 3) {
    out[j] = static_cast<uint8_t>(out[j] + out[j + 1]);
    out[j + 2] = static_cast<uint8_t>(out[j + 2] + out[j + 1]);
  }
  data.swap(out);
  return true;
}

bool filter_audio(std::vector<uint8_t>& data, uint32_t channels, std::vector<uint8_t>& out) {
  if (channels < 1 || channels > 128) return false;
  const size_t size = data.size();
  out.resize(size);
  size_t source = 0;
  for (uint32_t channel = 0; channel < channels; ++channel) {
    unsigned previous = 0;
    int previousDelta = 0;
    int d1 = 0, d2 = 0, d3 = 0, k1 = 0, k2 = 0, k3 = 0;
    std::array<unsigned, 7> errors{};
    unsigned count = 0;
    for (size_t j = channel; j < size; j += channels, ++count) {
      d3 = d2;
      d2 = previousDelta - d1;
      d1 = previousDelta;
      const unsigned predicted =
          static_cast<unsigned>((8 * static_cast<int>(previous) + k1 * d1 + k2 * d2 + k3 * d3) >>
                                3) &
          0xFF;
      const unsigned delta = data[source++];
      out[j] = static_cast<uint8_t>(predicted - delta);
      previousDelta = static_cast<int8_t>(out[j] - previous);
      previous = out[j];
      const int e = static_cast<int8_t>(delta) * 8;
      errors[0] += std::abs(e);
      errors[1] += std::abs(e - d1);
      errors[2] += std::abs(e + d1);
      errors[3] += std::abs(e - d2);
      errors[4] += std::abs(e + d2);
      errors[5] += std::abs(e - d3);
      errors[6] += std::abs(e + d3);
      if ((count & 0x1F) != 0) continue;
      size_t best = 0;
      for (size_t k = 1; k < errors.size(); ++k)
        if (errors[k] < errors[best]) best = k;
      errors.fill(0);
      switch (best) {
        case 1:
          if (k1 >= -16) --k1;
          break;
        case 2:
          if (k1 < 16) ++k1;
          break;
        case 3:
          if (k2 >= -16) --k2;
          break;
        case 4:
          if (k2 < 16) ++k2;
          break;
        case 5:
          if (k3 >= -16) --k3;
          break;
        case 6:
          if (k3 < 16) ++k3;
          break;
        default:
          break;
      }
    }
  }
  data.swap(out);
  return true;
}

}  // namespace

std::optional<StandardFilter> identify_standard_filter(const uint8_t* code, size_t size) {
  if (size == 0) return std::nullopt;
  uint8_t xorOfRest = 0;
  for (size_t i = 1; i < size; ++i) xorOfRest ^= code[i];
  if (xorOfRest != code[0]) return std::nullopt;
  struct Known {
    size_t size;
    uint32_t crc;
    StandardFilter filter;
  };
  static constexpr Known kKnown[] = {
      {53, 0xAD576887u, StandardFilter::e8},       {57, 0x3CD7E57Eu, StandardFilter::e8e9},
      {120, 0x3769893Fu, StandardFilter::itanium}, {29, 0x0E06077Du, StandardFilter::delta},
      {149, 0x1C2C5DC8u, StandardFilter::rgb},     {216, 0xBC85E701u, StandardFilter::audio},
  };
  const uint32_t crc = crc32_continue(0, code, size);
  for (const Known& known : kKnown)
    if (known.size == size && known.crc == crc) return known.filter;
  return std::nullopt;
}

bool apply_standard_filter(StandardFilter filter, const FilterParameters& parameters,
                           std::vector<uint8_t>& data, std::vector<uint8_t>& scratch) {
  switch (filter) {
    case StandardFilter::e8:
      filter_x86_calls(data, parameters.fileOffset, false);
      return true;
    case StandardFilter::e8e9:
      filter_x86_calls(data, parameters.fileOffset, true);
      return true;
    case StandardFilter::itanium:
      filter_itanium(data, parameters.fileOffset);
      return true;
    case StandardFilter::delta:
      return filter_delta(data, parameters.r0, scratch);
    case StandardFilter::rgb:
      return filter_rgb(data, parameters.r0, parameters.r1, scratch);
    case StandardFilter::audio:
      return filter_audio(data, parameters.r0, scratch);
  }
  return false;
}

}  // namespace unrar
