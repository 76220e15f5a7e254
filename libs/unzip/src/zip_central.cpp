#include "zip_central.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "zip_bytes.h"
#include "zip_crc32.h"
#include "zip_names.h"

namespace unzip {
namespace {

constexpr std::size_t kCentralHeaderSize = 46;
constexpr uint16_t kFlagUtf8 = 1 << 11;
constexpr uint8_t kHostUnix = 3;
constexpr uint32_t kDosFolderAttribute = 0x10;
constexpr uint32_t kSaturated32 = 0xFFFFFFFF;

struct ExtraField {
  uint16_t id;
  const unsigned char* data;
  uint16_t size;
};

// Walks the extra-field block; a truncated trailing field is ignored.
std::vector<ExtraField> split_extra(const unsigned char* data, std::size_t size) {
  std::vector<ExtraField> fields;
  std::size_t pos = 0;
  while (size - pos >= 4) {
    const uint16_t id = read_le16(data + pos);
    const uint16_t length = read_le16(data + pos + 2);
    if (size - pos - 4 < length) break;
    fields.push_back({id, data + pos + 4, length});
    pos += 4 + length;
  }
  return fields;
}

const ExtraField* find_field(const std::vector<ExtraField>& fields, uint16_t id) {
  for (const ExtraField& field : fields) {
    if (field.id == id) return &field;
  }
  return nullptr;
}

// Unix modification time: the extended timestamp (UT) first, then the two
// older Unix fields, which both start with atime and mtime.
std::optional<std::time_t> unix_mtime(const std::vector<ExtraField>& fields) {
  if (const ExtraField* ut = find_field(fields, 0x5455); ut && ut->size >= 5 && (ut->data[0] & 1)) {
    return static_cast<std::time_t>(static_cast<int32_t>(read_le32(ut->data + 1)));
  }
  for (uint16_t id : {uint16_t{0x5855}, uint16_t{0x000d}}) {
    if (const ExtraField* unix = find_field(fields, id); unix && unix->size >= 8) {
      return static_cast<std::time_t>(static_cast<int32_t>(read_le32(unix->data + 4)));
    }
  }
  return std::nullopt;
}

// Where the local header starts: the 32-bit field, or the zip64 field's value when
// the header saturated it (its values come in a fixed order, only the saturated ones).
uint64_t local_header_offset(const unsigned char* header, const std::vector<ExtraField>& fields) {
  const uint32_t narrow = read_le32(header + 42);
  const ExtraField* zip64 = find_field(fields, 0x0001);
  if (narrow != kSaturated32 || zip64 == nullptr) return narrow;
  std::size_t at = 0;
  if (read_le32(header + 24) == kSaturated32) at += 8;
  if (read_le32(header + 20) == kSaturated32) at += 8;
  return zip64->size >= at + 8 ? read_le64(zip64->data + at) : narrow;
}

void apply_aes(const ExtraField* field, EntryInfo& entry) {
  if (field == nullptr || field->size < 7 || field->data[2] != 'A' || field->data[3] != 'E') {
    return;
  }
  const uint16_t version = read_le16(field->data);
  const uint8_t strength = field->data[4];
  if (version < 1 || version > 2 || strength < 1 || strength > 3) return;
  entry.aes_version = version;
  entry.aes_strength = strength;
  entry.real_method = read_le16(field->data + 5);
}

// Bit 11 first, then the Unicode Path field when its CRC still matches the
// header name (an editor may have renamed the entry without updating it), then bytes
// that are UTF-8 anyway; nothing when the name is in a code page.
std::optional<std::string> unicode_name(std::string_view raw, uint16_t flags,
                                        const std::vector<ExtraField>& fields) {
  if (flags & kFlagUtf8)
    return std::string(raw);  // libzip refuses flagged names that are not UTF-8
  if (const ExtraField* up = find_field(fields, 0x7075); up && up->size >= 5 && up->data[0] == 1) {
    const auto* raw_bytes = reinterpret_cast<const unsigned char*>(raw.data());
    const std::string_view unicode(reinterpret_cast<const char*>(up->data + 5), up->size - 5);
    if (read_le32(up->data + 1) == crc32_update(0, raw_bytes, raw.size()) &&
        is_valid_utf8(unicode) && !unicode.empty()) {
      return std::string(unicode);
    }
  }
  if (is_valid_utf8(raw)) return std::string(raw);
  return std::nullopt;
}

// The zip64 field of a local header holds both sizes, uncompressed first.
void apply_local_zip64(const ExtraField* field, EntryInfo& entry) {
  if (field == nullptr || field->size < 16) return;
  if (entry.uncompressed_size == kSaturated32) entry.uncompressed_size = read_le64(field->data);
  if (entry.compressed_size == kSaturated32) entry.compressed_size = read_le64(field->data + 8);
}

}  // namespace

std::size_t parse_local_header(const unsigned char* data, std::size_t size, EntryInfo& entry) {
  if (size < kLocalHeaderSize) return 0;
  const uint16_t name_length = read_le16(data + 26);
  const uint16_t extra_length = read_le16(data + 28);
  const std::size_t header_size = kLocalHeaderSize + std::size_t{name_length} + extra_length;
  if (size < header_size) return 0;
  entry.version_needed = read_le16(data + 4);
  entry.flags = read_le16(data + 6);
  entry.method = read_le16(data + 8);
  entry.real_method = entry.method;
  entry.dos_datetime = (uint32_t{read_le16(data + 12)} << 16) | read_le16(data + 10);
  entry.crc = read_le32(data + 14);
  entry.compressed_size = read_le32(data + 18);
  entry.uncompressed_size = read_le32(data + 22);
  entry.encrypted = (entry.flags & 1) != 0;
  const std::string_view raw_name(reinterpret_cast<const char*>(data + kLocalHeaderSize),
                                  name_length);
  const auto fields = split_extra(data + kLocalHeaderSize + name_length, extra_length);
  apply_local_zip64(find_field(fields, 0x0001), entry);
  if (entry.method == 99) apply_aes(find_field(fields, 0x9901), entry);
  entry.unix_mtime = unix_mtime(fields);
  // A scan has no directory to judge the names' code page from: DOS's, as before.
  entry.name = unicode_name(raw_name, entry.flags, fields)
                   .value_or(codepage::decode_name(raw_name, "CP437"));
  return header_size;
}

bool parse_central_directory(const unsigned char* data, std::size_t size, uint64_t count,
                             std::vector<EntryInfo>& entries, const std::string& name_encoding,
                             std::string& encoding_used) {
  entries.clear();
  std::vector<std::size_t> code_page_names;  // entries whose name still holds its raw bytes
  // No more than the bytes can hold, whatever count the end record claims.
  entries.reserve(std::min<uint64_t>(count, size / kCentralHeaderSize));
  std::size_t pos = 0;
  for (uint64_t index = 0; index < count; ++index) {
    if (size - pos < kCentralHeaderSize || !has_signature(data + pos, 1, 2)) return false;
    const unsigned char* h = data + pos;
    const uint16_t name_length = read_le16(h + 28);
    const uint16_t extra_length = read_le16(h + 30);
    const uint16_t comment_length = read_le16(h + 32);
    const std::size_t record_size =
        kCentralHeaderSize + std::size_t{name_length} + extra_length + comment_length;
    if (size - pos < record_size) return false;

    EntryInfo entry;
    entry.index = index;
    entry.host_system = static_cast<uint8_t>(h[5]);
    entry.version_needed = read_le16(h + 6);
    entry.flags = read_le16(h + 8);
    entry.method = read_le16(h + 10);
    entry.real_method = entry.method;
    entry.dos_datetime = (uint32_t{read_le16(h + 14)} << 16) | read_le16(h + 12);
    entry.crc = read_le32(h + 16);
    entry.compressed_size = read_le32(h + 20);
    entry.uncompressed_size = read_le32(h + 24);
    entry.external_attributes = read_le32(h + 38);
    entry.encrypted = (entry.flags & 1) != 0;

    const std::string_view raw_name(reinterpret_cast<const char*>(h + kCentralHeaderSize),
                                    name_length);
    const auto fields = split_extra(h + kCentralHeaderSize + name_length, extra_length);
    if (entry.method == 99) apply_aes(find_field(fields, 0x9901), entry);
    entry.unix_mtime = unix_mtime(fields);
    entry.local_offset = local_header_offset(h, fields);
    if (std::optional<std::string> name = unicode_name(raw_name, entry.flags, fields)) {
      entry.name = std::move(*name);
    } else {
      entry.name = raw_name;
      code_page_names.push_back(entries.size());
    }
    const std::string_view raw_comment(
        reinterpret_cast<const char*>(h + kCentralHeaderSize + name_length + extra_length),
        comment_length);
    entry.comment = comment_to_utf8(raw_comment);
    const uint32_t mode = entry.external_attributes >> 16;
    entry.is_symlink = entry.host_system == kHostUnix && (mode & 0170000) == 0120000;
    // Some DOS writers mark a folder only by its attribute, without the trailing "/".
    const bool dos_folder = (entry.external_attributes & kDosFolderAttribute) != 0 &&
                            (mode & 0170000) == 0 && entry.uncompressed_size == 0;
    if (dos_folder && !entry.name.empty() && entry.name.back() != '/') entry.name += '/';

    entries.push_back(std::move(entry));
    pos += record_size;
  }
  // One encoding for the whole archive, judged from all its code page names together.
  std::vector<std::string> raw_names;
  for (const std::size_t at : code_page_names) raw_names.push_back(entries[at].name);
  encoding_used.clear();
  if (raw_names.empty()) return true;
  encoding_used =
      name_encoding.empty() ? codepage::detect_encoding(raw_names, "CP437") : name_encoding;
  for (const std::size_t at : code_page_names) {
    entries[at].name = codepage::decode_name(entries[at].name, encoding_used);
  }
  return true;
}

}  // namespace unzip
