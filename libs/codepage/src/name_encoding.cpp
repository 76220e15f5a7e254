#include "name_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <utility>

#include "cp437.h"

namespace codepage {
namespace {

// Other names users know some of them by.
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"SHIFT_JIS", "CP932"}, {"SJIS", "CP932"},   {"GBK", "CP936"},
    {"BIG5", "CP950"},      {"EUC-KR", "CP949"}, {"UHC", "CP949"}};

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// One conversion; a byte the encoding refuses becomes its code page 437 character.
std::string convert(std::string_view bytes, std::string_view encoding, bool& clean) {
  clean = true;
  const iconv_t cd = iconv_open("UTF-8", std::string(encoding).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    clean = false;
    return cp437_to_utf8(bytes);
  }
  std::string out;
  std::string input(bytes);
  char* in = input.data();
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outAt = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(cd, &in, &inLeft, &outAt, &outLeft);
    out.append(buffer, static_cast<size_t>(outAt - buffer));
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      clean = false;
      append_utf8(out, cp437_code_point(static_cast<uint8_t>(*in)));
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

const std::vector<std::string>& name_encodings() {
  static const std::vector<std::string> kEncodings = {
      "CP437",  "CP850", "CP852", "CP866", "CP1250", "CP1251", "CP1252",
      "CP1253", "CP932", "CP936", "CP950", "CP949",  "KOI8-R"};
  return kEncodings;
}

std::string canonical_encoding(std::string_view encoding) {
  const std::string wanted = upper(encoding);
  for (const auto& [alias, name] : kAliases) {
    if (wanted == alias) return std::string(name);
  }
  const auto& known = name_encodings();
  return std::find(known.begin(), known.end(), wanted) != known.end() ? wanted : "";
}

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

std::string decode_name(std::string_view bytes, std::string_view encoding) {
  // The table is exact and needs no conversion descriptor.
  if (encoding == "CP437") return cp437_to_utf8(bytes);
  bool clean = true;
  return convert(bytes, encoding, clean);
}

bool decodes_cleanly(std::string_view bytes, std::string_view encoding) {
  bool clean = true;
  convert(bytes, encoding, clean);
  return clean;
}

}  // namespace codepage
