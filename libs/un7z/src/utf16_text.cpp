#include "utf16_text.h"

#include "cp437.h"

namespace un7z {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void append_utf16le(std::string& out, uint32_t code) {
  const auto unit = [&](uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
  };
  if (code < 0x10000) {
    unit(code);
  } else {
    code -= 0x10000;
    unit(0xD800 | (code >> 10));
    unit(0xDC00 | (code & 0x3FF));
  }
}

// The code point at text[pos], advancing pos; U+FFFD for a broken sequence.
uint32_t next_code_point(const std::string& text, size_t& pos) {
  const auto byte = [&](size_t at) { return static_cast<uint8_t>(text[at]); };
  const uint8_t lead = byte(pos++);
  if (lead < 0x80) return lead;
  int length = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
  if (lead >= 0xF5 || length == 0) return kReplacement;
  uint32_t code = lead & (0x3F >> length);
  for (; length > 0; --length) {
    if (pos >= text.size() || (byte(pos) & 0xC0) != 0x80) return kReplacement;
    code = (code << 6) | (byte(pos++) & 0x3F);
  }
  const bool invalid = code < 0x80 || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF;
  return invalid ? kReplacement : code;
}

}  // namespace

std::string utf16le_to_utf8(const uint8_t* data, size_t units) {
  std::string out;
  const auto unit = [&](size_t i) {
    return static_cast<uint32_t>(data[2 * i] | data[2 * i + 1] << 8);
  };
  for (size_t i = 0; i < units; ++i) {
    const uint32_t first = unit(i);
    if (first >= 0xD800 && first < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) < 0xE000) {
      codepage::append_utf8(out, 0x10000 + ((first - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else {
      codepage::append_utf8(out, first >= 0xD800 && first < 0xE000 ? kReplacement : first);
    }
  }
  return out;
}

std::string utf8_to_utf16le(const std::string& text) {
  std::string out;
  for (size_t pos = 0; pos < text.size();) append_utf16le(out, next_code_point(text, pos));
  return out;
}

}  // namespace un7z
