#include "rar4_names.h"

#include <string_view>
#include <vector>

#include "cp437.h"

namespace unrar {
namespace {

// Strict: no overlong forms, surrogates or code points past U+10FFFF, so that
// code page bytes that merely look like UTF-8 are not taken for it.
bool is_valid_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t extra = 0;
    uint8_t low = 0x80, high = 0xBF;  // the second byte's range
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (lead >= 0xC2 && lead < 0xE0) {
      extra = 1;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      extra = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      extra = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    const auto second = static_cast<uint8_t>(text[i + 1]);
    if (second < low || second > high) return false;
    for (size_t k = 2; k <= extra; ++k) {
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Unix writers store UTF-8 without saying so; other high bytes are code page 437.
std::string legacy_to_utf8(std::string_view bytes) {
  return is_valid_utf8(bytes) ? std::string(bytes) : codepage::cp437_to_utf8(bytes);
}

std::string utf16_to_utf8(const std::vector<char16_t>& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t code = units[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code < 0xE000) {
      code = 0xFFFD;
    }
    codepage::append_utf8(out, code);
  }
  return out;
}

// The packed UTF-16 form that follows the legacy name after a zero byte.
std::vector<char16_t> decode_packed_unicode(std::string_view ascii, const uint8_t* packed,
                                            size_t size) {
  std::vector<char16_t> out;
  if (size == 0) return out;
  const unsigned high = packed[0];
  size_t p = 1;
  unsigned flags = 0;
  int flagBits = 0;
  while (p < size) {
    if (flagBits == 0) {
      flags = packed[p++];
      flagBits = 8;
      if (p >= size) break;
    }
    const unsigned op = (flags >> 6) & 3;
    flags <<= 2;
    flagBits -= 2;
    if (op == 0) {
      out.push_back(packed[p++]);
    } else if (op == 1) {
      out.push_back(static_cast<char16_t>(packed[p++] + (high << 8)));
    } else if (op == 2) {
      if (p + 1 >= size) break;
      out.push_back(static_cast<char16_t>(packed[p] + (packed[p + 1] << 8)));
      p += 2;
    } else {
      const unsigned n = packed[p++];
      if (n & 0x80) {
        if (p >= size) break;
        const unsigned correction = packed[p++];
        for (unsigned k = 0; k < (n & 0x7F) + 2 && out.size() < ascii.size(); ++k) {
          const unsigned byte = (static_cast<uint8_t>(ascii[out.size()]) + correction) & 0xFF;
          out.push_back(static_cast<char16_t>(byte + (high << 8)));
        }
      } else {
        for (unsigned k = 0; k < n + 2 && out.size() < ascii.size(); ++k) {
          out.push_back(static_cast<uint8_t>(ascii[out.size()]));
        }
      }
    }
  }
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == 0) {
      out.resize(i);
      break;
    }
  }
  return out;
}

}  // namespace

std::string utf16le_to_utf8(const std::string& bytes) {
  std::vector<char16_t> units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                          (static_cast<uint8_t>(bytes[i + 1]) << 8)));
  }
  return utf16_to_utf8(units);
}

std::string decode_rar4_name(const uint8_t* field, size_t size, bool unicodeFlag) {
  const std::string_view bytes(reinterpret_cast<const char*>(field), size);
  const size_t zero = bytes.find('\0');
  std::string name;
  if (unicodeFlag && zero != std::string_view::npos) {
    const std::string_view ascii = bytes.substr(0, zero);
    const std::vector<char16_t> units =
        decode_packed_unicode(ascii, field + zero + 1, size - zero - 1);
    name = units.empty() ? legacy_to_utf8(ascii) : utf16_to_utf8(units);
  } else {
    name = legacy_to_utf8(bytes.substr(0, zero));
  }
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

}  // namespace unrar
