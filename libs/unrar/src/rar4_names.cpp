#include "rar4_names.h"

#include <string_view>
#include <vector>

namespace unrar {
namespace {

// Code points of bytes 0x80-0xFF in the DOS code page 437.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

void append_utf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool is_valid_utf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    size_t extra = 0;
    if (lead >= 0xC2 && lead < 0xE0) {
      extra = 1;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      extra = 2;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      extra = 3;
    } else if (lead >= 0x80) {
      return false;
    }
    if (i + extra >= text.size() && extra != 0) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Unix writers store UTF-8 without saying so; other high bytes are code page 437.
std::string legacy_to_utf8(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    append_utf8(out, byte < 0x80 ? byte : kCp437High[byte - 0x80]);
  }
  return out;
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
    append_utf8(out, code);
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
