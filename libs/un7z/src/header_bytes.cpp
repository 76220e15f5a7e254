#include "header_bytes.h"

#include <algorithm>

namespace un7z {

bool HeaderBytes::byte(uint8_t& value) {
  if (remaining() < 1) return false;
  value = data_[pos_++];
  return true;
}

bool HeaderBytes::u32(uint32_t& value) {
  if (remaining() < 4) return false;
  value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | data_[pos_ + i];
  pos_ += 4;
  return true;
}

bool HeaderBytes::u64(uint64_t& value) {
  if (remaining() < 8) return false;
  value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | data_[pos_ + i];
  pos_ += 8;
  return true;
}

bool HeaderBytes::number(uint64_t& value) {
  uint8_t first = 0;
  if (!byte(first)) return false;
  int extra = 0;
  while (extra < 8 && (first & (0x80 >> extra))) ++extra;
  if (remaining() < static_cast<size_t>(extra)) return false;
  value = 0;
  for (int i = extra - 1; i >= 0; --i) value = (value << 8) | data_[pos_ + i];
  pos_ += extra;
  if (extra < 8) value |= static_cast<uint64_t>(first & ((0x80 >> extra) - 1)) << (8 * extra);
  return true;
}

bool HeaderBytes::count(uint64_t limit, size_t& value) {
  uint64_t read = 0;
  if (!number(read) || read > limit) return false;
  value = static_cast<size_t>(read);
  return true;
}

bool HeaderBytes::skip(uint64_t size) {
  if (size > remaining()) return false;
  pos_ += static_cast<size_t>(size);
  return true;
}

bool HeaderBytes::bits(size_t size, std::vector<bool>& out) {
  if ((size + 7) / 8 > remaining()) return false;
  out.assign(size, false);
  for (size_t i = 0; i < size; ++i) out[i] = data_[pos_ + i / 8] & (0x80 >> (i % 8));
  pos_ += (size + 7) / 8;
  return true;
}

bool HeaderBytes::defined_bits(size_t size, std::vector<bool>& out) {
  uint8_t allDefined = 0;
  if (!byte(allDefined)) return false;
  if (allDefined == 0) return bits(size, out);
  out.assign(size, true);
  return true;
}

bool HeaderBytes::digests(size_t size, std::vector<std::optional<uint32_t>>& out) {
  std::vector<bool> defined;
  if (!defined_bits(size, defined)) return false;
  const size_t present = static_cast<size_t>(std::count(defined.begin(), defined.end(), true));
  if (present > remaining() / 4) return false;
  out.assign(size, std::nullopt);
  for (size_t i = 0; i < size; ++i) {
    uint32_t crc = 0;
    if (defined[i] && u32(crc)) out[i] = crc;
  }
  return true;
}

}  // namespace un7z
