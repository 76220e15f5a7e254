#include "zip_locate.h"

#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "zip_bytes.h"

namespace unzip {
namespace {

constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kZip64LocatorSize = 20;
constexpr uint64_t kZip64EndRecordSize = 56;

bool read_at(std::FILE* file, uint64_t offset, unsigned char* buffer, std::size_t size) {
  if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  return std::fread(buffer, 1, size, file) == size;
}

struct EndRecord {
  uint64_t position = 0;
  uint32_t this_disk = 0;
  uint32_t central_disk = 0;
  uint64_t entries_this_disk = 0;
  uint64_t entries_total = 0;
  uint64_t central_size = 0;
  uint64_t central_offset = 0;
  uint16_t comment_length = 0;
};

// The last end-record signature within the search span, scanning backwards.
bool find_end_record(std::FILE* file, uint64_t file_size, EndRecord& record) {
  if (file_size < kEndRecordSize) return false;
  const uint64_t span = std::min(file_size, kEndRecordSearchSpan);
  std::vector<unsigned char> tail(span);
  if (!read_at(file, file_size - span, tail.data(), tail.size())) return false;
  for (uint64_t i = span - kEndRecordSize + 1; i-- > 0;) {
    const unsigned char* p = tail.data() + i;
    if (!has_signature(p, 5, 6)) continue;
    record.position = file_size - span + i;
    record.this_disk = read_le16(p + 4);
    record.central_disk = read_le16(p + 6);
    record.entries_this_disk = read_le16(p + 8);
    record.entries_total = read_le16(p + 10);
    record.central_size = read_le32(p + 12);
    record.central_offset = read_le32(p + 16);
    record.comment_length = read_le16(p + 20);
    return true;
  }
  return false;
}

// Replaces the saturated fields of the end record with the zip64 values. A field
// that is not saturated must agree, or the zip64 records are not trusted.
bool merge_zip64(EndRecord& record, const unsigned char* z64) {
  const uint64_t this_disk = read_le32(z64 + 16);
  const uint64_t central_disk = read_le32(z64 + 20);
  const uint64_t entries_this_disk = read_le64(z64 + 24);
  const uint64_t entries_total = read_le64(z64 + 32);
  const uint64_t central_size = read_le64(z64 + 40);
  const uint64_t central_offset = read_le64(z64 + 48);
  auto agrees = [](uint64_t narrow, uint64_t saturated, uint64_t wide) {
    return narrow == saturated || narrow == wide;
  };
  if (!agrees(record.this_disk, 0xFFFF, this_disk) ||
      !agrees(record.central_disk, 0xFFFF, central_disk) ||
      !agrees(record.entries_this_disk, 0xFFFF, entries_this_disk) ||
      !agrees(record.entries_total, 0xFFFF, entries_total) ||
      !agrees(record.central_size, 0xFFFFFFFF, central_size) ||
      !agrees(record.central_offset, 0xFFFFFFFF, central_offset)) {
    return false;
  }
  record.this_disk = static_cast<uint32_t>(this_disk);
  record.central_disk = static_cast<uint32_t>(central_disk);
  record.entries_this_disk = entries_this_disk;
  record.entries_total = entries_total;
  record.central_size = central_size;
  record.central_offset = central_offset;
  return true;
}

struct Zip64Lookup {
  bool found = false;
  bool moved = false;
  uint64_t position = 0;
};

// Follows the zip64 locator in front of the end record. When a stub shifted the
// archive, the zip64 end record is not where the locator says but right before it.
Zip64Lookup find_zip64(std::FILE* file, EndRecord& record) {
  Zip64Lookup lookup;
  if (record.position < kZip64LocatorSize + kZip64EndRecordSize) return lookup;
  const uint64_t locator_position = record.position - kZip64LocatorSize;
  unsigned char locator[kZip64LocatorSize];
  if (!read_at(file, locator_position, locator, sizeof locator) || !has_signature(locator, 6, 7)) {
    return lookup;
  }
  const uint64_t recorded_position = read_le64(locator + 8);
  const uint32_t total_disks = read_le32(locator + 16);
  if (record.this_disk != 0xFFFF && record.this_disk + 1 != total_disks) return lookup;

  unsigned char z64[kZip64EndRecordSize];
  if (recorded_position + kZip64EndRecordSize <= locator_position &&
      read_at(file, recorded_position, z64, sizeof z64) && has_signature(z64, 6, 6)) {
    lookup.position = recorded_position;
  } else {
    const uint64_t guessed_position = locator_position - kZip64EndRecordSize;
    if (!read_at(file, guessed_position, z64, sizeof z64) || !has_signature(z64, 6, 6)) {
      return lookup;
    }
    lookup.position = guessed_position;
    lookup.moved = true;
  }
  if (!merge_zip64(record, z64)) return Zip64Lookup{};
  lookup.found = true;
  return lookup;
}

// A RAR, ACE or ARJ archive may store a ZIP archive as one of its entries, end
// record and all; a self-extracting file starts with a program, never with another
// archive's signature.
bool starts_as_other_archive(std::FILE* file, uint64_t file_size) {
  constexpr int kArjLargestHeader = 2600;
  unsigned char head[14] = {};
  if (!read_at(file, 0, head, static_cast<std::size_t>(std::min<uint64_t>(file_size, sizeof head))))
    return false;
  const auto at = [&head](std::size_t offset, std::string_view bytes) {
    return std::memcmp(head + offset, bytes.data(), bytes.size()) == 0;
  };
  const bool arj = at(0, "\x60\xEA") && (head[2] | head[3] << 8) <= kArjLargestHeader;
  return arj || at(0, "Rar!\x1A\x07") || at(7, "**ACE**");
}

bool central_header_at(std::FILE* file, uint64_t offset) {
  unsigned char signature[4];
  return read_at(file, offset, signature, sizeof signature) && has_signature(signature, 1, 2);
}

}  // namespace

ArchiveLocation locate_archive(std::FILE* file, uint64_t file_size) {
  ArchiveLocation location;
  EndRecord record;
  if (starts_as_other_archive(file, file_size) || !find_end_record(file, file_size, record)) {
    location.status = OpenStatus::NoEndRecord;
    return location;
  }
  location.end_record = record.position;
  location.archive_end =
      std::min(file_size, record.position + kEndRecordSize + record.comment_length);

  const Zip64Lookup zip64 = find_zip64(file, record);
  location.entry_count = record.entries_total;
  location.central_size = record.central_size;
  if (record.this_disk != 0 || record.central_disk != 0) {
    location.status = OpenStatus::MultiDisk;
    location.disk_count = uint64_t{record.this_disk} + 1;
    location.central_disk = record.central_disk;
    location.central_offset = record.central_offset;
    return location;
  }
  location.zip64_end_moved = zip64.found && zip64.moved;

  const uint64_t end_position = zip64.found ? zip64.position : record.position;
  location.empty = record.central_size == 0 && record.entries_total == 0;
  if (record.central_size <= end_position &&
      record.central_offset <= end_position - record.central_size) {
    location.prefix_bytes = end_position - record.central_offset - record.central_size;
    location.central_start = record.central_offset + location.prefix_bytes;
    if (location.empty || central_header_at(file, location.central_start)) return location;
  }
  // Some old writers record a wrong directory size. When the directory starts at
  // its recorded offset, it runs up to the end record, and no prefix applies.
  if (!zip64.found && !location.empty && record.central_offset < end_position &&
      end_position - record.central_offset <= 0xFFFFFFFF &&
      central_header_at(file, record.central_offset)) {
    location.prefix_bytes = 0;
    location.central_start = record.central_offset;
    location.central_size = end_position - record.central_offset;
    location.central_size_corrected = true;
    return location;
  }
  location.status = OpenStatus::Damaged;
  return location;
}

}  // namespace unzip
