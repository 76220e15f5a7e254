#include "rar4_names.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "cp437.h"
#include "name_encoding.h"

namespace unrar {
namespace {

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

std::string decode_rar4_name(const uint8_t* field, size_t size, bool unicodeFlag,
                             std::string& codePageBytes) {
  const std::string_view bytes(reinterpret_cast<const char*>(field), size);
  const size_t zero = bytes.find('\0');
  std::vector<char16_t> units;
  if (unicodeFlag && zero != std::string_view::npos) {
    units = decode_packed_unicode(bytes.substr(0, zero), field + zero + 1, size - zero - 1);
  }
  codePageBytes.clear();
  const std::string_view legacy = bytes.substr(0, zero);
  // Unix writers store UTF-8 without saying so.
  if (units.empty() && !codepage::is_valid_utf8(legacy)) {
    codePageBytes = legacy;
    return read_code_page_name(codePageBytes, "CP437");
  }
  std::string name = units.empty() ? std::string(legacy) : utf16_to_utf8(units);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::string read_code_page_name(const std::string& codePageBytes, const std::string& encoding) {
  // "\\" may be the second byte of a double-byte character: it separates only once read.
  std::string name = codepage::decode_name(codePageBytes, encoding);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

}  // namespace unrar
