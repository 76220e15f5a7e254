#include "ace_headers.h"

#include <algorithm>
#include <cstring>

#include "ace_crc.h"
#include "name_encoding.h"

namespace unace {
namespace {

constexpr uint16_t kFlagAddSize = 0x0001;
constexpr uint16_t kFlag64Bit = 0x0004;
constexpr size_t kMainFixedSize = 27;  // up to and including the AV string's length
constexpr size_t kFileFixedSize32 = 31;
constexpr unsigned kSmallestDictionaryBits = 10;

// The name in UTF-8: as stored when it is UTF-8, else read in code page 437, its bytes
// left in codePageName.
std::string name_from_dos(const uint8_t* bytes, size_t size, std::string& codePageName) {
  // A zero byte ends the name.
  const uint8_t* end = std::find(bytes, bytes + size, 0);
  std::string raw(reinterpret_cast<const char*>(bytes), static_cast<size_t>(end - bytes));
  if (!codepage::is_valid_utf8(raw)) {
    codePageName = raw;
    return read_code_page_name(raw, "CP437");
  }
  std::replace(raw.begin(), raw.end(), '\\', '/');
  return raw;
}

}  // namespace

std::string read_code_page_name(const std::string& codePageName, const std::string& encoding) {
  // "\\" may be the second byte of a double-byte character: it separates only once read.
  std::string name = codepage::decode_name(codePageName, encoding);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

uint16_t read_le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t read_le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t read_le64(const uint8_t* p) {
  return read_le32(p) | (static_cast<uint64_t>(read_le32(p + 4)) << 32);
}

bool block_crc_matches(uint16_t storedCrc, const uint8_t* body, size_t size) {
  return ace_crc16(body, size) == storedCrc;
}

std::optional<MainHeader> parse_main_header(const uint8_t* body, size_t size) {
  if (size < kMainFixedSize || body[0] != kMainHeader) return std::nullopt;
  if (std::memcmp(body + kSignatureOffset, kSignature, sizeof kSignature) != 0) {
    return std::nullopt;
  }
  MainHeader header;
  header.flags = read_le16(body + 1);
  header.versionToExtract = body[10];
  header.host = body[12];
  header.volumeNumber = body[13];
  // The AV string's length byte is there whatever the flags say.
  if (kMainFixedSize + body[26] > size) return std::nullopt;
  return header;
}

std::optional<FileHeader> parse_file_header(const uint8_t* body, size_t size) {
  if (size < 3) return std::nullopt;
  const uint8_t type = body[0];
  FileHeader header;
  header.flags = read_le16(body + 1);
  const bool wide = type == kFileHeader64;
  if ((type != kFileHeader32 && !wide) || !(header.flags & kFlagAddSize) ||
      wide != static_cast<bool>(header.flags & kFlag64Bit)) {
    return std::nullopt;
  }
  const size_t shift = wide ? 8 : 0;
  if (size < kFileFixedSize32 + shift) return std::nullopt;
  header.packSize = wide ? read_le64(body + 3) : read_le32(body + 3);
  header.unpackedSize = wide ? read_le64(body + 11) : read_le32(body + 7);
  const uint8_t* rest = body + 11 + shift;
  header.dosTime = read_le32(rest);
  header.attributes = read_le32(rest + 4);
  header.crc32 = read_le32(rest + 8);
  header.type = rest[12];
  header.dictionaryBits = kSmallestDictionaryBits + (read_le16(rest + 14) & 0x0F);
  const size_t nameSize = read_le16(rest + 18);
  const size_t nameOffset = kFileFixedSize32 + shift;
  if (nameSize > size - nameOffset) return std::nullopt;
  header.name = name_from_dos(body + nameOffset, nameSize, header.codePageName);
  return header;
}

std::optional<uint64_t> trailing_data_size(const uint8_t* body, size_t size) {
  if (size < 3) return std::nullopt;
  const uint16_t flags = read_le16(body + 1);
  if (!(flags & kFlagAddSize)) return 0;
  // 64-bit blocks (the newer recovery records) say so in the same flag as files.
  const bool wide = flags & kFlag64Bit;
  if (size < (wide ? 11u : 7u)) return std::nullopt;
  return wide ? read_le64(body + 3) : read_le32(body + 3);
}

}  // namespace unace
