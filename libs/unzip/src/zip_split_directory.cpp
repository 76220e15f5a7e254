#include "zip_split_directory.h"

#include <algorithm>
#include <cstdint>

#include "zip_bytes.h"

namespace unzip {
namespace {

constexpr std::size_t kCentralHeaderSize = 46;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kZip64Version = 45;
constexpr uint32_t kSaturated32 = 0xFFFFFFFF;
constexpr uint16_t kSaturated16 = 0xFFFF;
constexpr uint64_t kZip64EndRecordBody = 44;  // the record's size field leaves out 12 bytes

using Bytes = std::vector<unsigned char>;

void put16(Bytes& out, uint64_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void put32(Bytes& out, uint64_t value) {
  put16(out, value & 0xFFFF);
  put16(out, (value >> 16) & 0xFFFF);
}

void put64(Bytes& out, uint64_t value) {
  put32(out, value & 0xFFFFFFFF);
  put32(out, value >> 32);
}

void set16(unsigned char* p, uint64_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
}

void set32(unsigned char* p, uint64_t value) {
  set16(p, value & 0xFFFF);
  set16(p + 2, (value >> 16) & 0xFFFF);
}

void put_signature(Bytes& out, unsigned char third, unsigned char fourth) {
  out.insert(out.end(), {'P', 'K', third, fourth});
}

struct ExtraField {
  uint16_t id;
  const unsigned char* data;
  std::size_t size;
};

// The well-formed fields in order; a tail that is no whole field is kept as is.
struct ExtraFields {
  std::vector<ExtraField> fields;
  const unsigned char* tail = nullptr;
  std::size_t tail_size = 0;
};

ExtraFields split_extra(const unsigned char* extra, std::size_t size) {
  ExtraFields parsed;
  std::size_t at = 0;
  while (at + 4 <= size && at + 4 + read_le16(extra + at + 2) <= size) {
    parsed.fields.push_back({read_le16(extra + at), extra + at + 4, read_le16(extra + at + 2)});
    at += 4 + read_le16(extra + at + 2);
  }
  parsed.tail = extra + at;
  parsed.tail_size = size - at;
  return parsed;
}

// The values a central header moved into its zip64 field, read in their fixed order.
class Zip64Reader {
 public:
  explicit Zip64Reader(const ExtraField* field) : field_(field) {}
  bool take(uint64_t& value, std::size_t width) {
    if (!field_ || used_ + width > field_->size) return false;
    value = width == 8 ? read_le64(field_->data + used_) : read_le32(field_->data + used_);
    used_ += width;
    return true;
  }

 private:
  const ExtraField* field_;
  std::size_t used_ = 0;
};

const ExtraField* find_zip64(const ExtraFields& extra) {
  for (const ExtraField& field : extra.fields) {
    if (field.id == kZip64ExtraId) return &field;
  }
  return nullptr;
}

void put_field(Bytes& out, uint16_t id, const unsigned char* data, std::size_t size) {
  put16(out, id);
  put16(out, size);
  out.insert(out.end(), data, data + size);
}

// The extra fields with the zip64 field rewritten: sizes as before, the offset
// only when it no longer fits 32 bits, the disk never. It is dropped when empty.
Bytes rebuild_extra(const ExtraFields& extra, const ExtraField* old_zip64, const Bytes& zip64) {
  Bytes out;
  if (!old_zip64 && !zip64.empty()) put_field(out, kZip64ExtraId, zip64.data(), zip64.size());
  for (const ExtraField& field : extra.fields) {
    if (&field != old_zip64) {
      put_field(out, field.id, field.data, field.size);
    } else if (!zip64.empty()) {
      put_field(out, kZip64ExtraId, zip64.data(), zip64.size());
    }
  }
  out.insert(out.end(), extra.tail, extra.tail + extra.tail_size);
  return out;
}

// One central record; consumed is its size as stored.
bool rewrite_record(const unsigned char* p, std::size_t available,
                    const std::vector<uint64_t>& disk_starts, Bytes& out, std::size_t& consumed) {
  if (available < kCentralHeaderSize || !has_signature(p, 1, 2)) return false;
  const std::size_t name_size = read_le16(p + 28);
  const std::size_t extra_size = read_le16(p + 30);
  const std::size_t comment_size = read_le16(p + 32);
  consumed = kCentralHeaderSize + name_size + extra_size + comment_size;
  if (consumed > available) return false;

  const ExtraFields extra = split_extra(p + kCentralHeaderSize + name_size, extra_size);
  const ExtraField* old_zip64 = find_zip64(extra);
  Zip64Reader wide(old_zip64);
  const bool wide_uncompressed = read_le32(p + 24) == kSaturated32;
  const bool wide_compressed = read_le32(p + 20) == kSaturated32;
  uint64_t uncompressed = read_le32(p + 24);
  uint64_t compressed = read_le32(p + 20);
  uint64_t offset = read_le32(p + 42);
  uint64_t disk = read_le16(p + 34);
  if ((wide_uncompressed && !wide.take(uncompressed, 8)) ||
      (wide_compressed && !wide.take(compressed, 8)) ||
      (offset == kSaturated32 && !wide.take(offset, 8)) ||
      (disk == kSaturated16 && !wide.take(disk, 4))) {
    return false;
  }
  if (disk >= disk_starts.size() || offset > UINT64_MAX - disk_starts[disk]) return false;
  const uint64_t joined_offset = disk_starts[disk] + offset;

  Bytes zip64;
  if (wide_uncompressed) put64(zip64, uncompressed);
  if (wide_compressed) put64(zip64, compressed);
  const bool wide_offset = joined_offset >= kSaturated32;
  if (wide_offset) put64(zip64, joined_offset);
  const Bytes new_extra = rebuild_extra(extra, old_zip64, zip64);
  if (new_extra.size() > 0xFFFF) return false;

  const std::size_t header_at = out.size();
  out.insert(out.end(), p, p + kCentralHeaderSize + name_size);
  unsigned char* header = out.data() + header_at;
  set16(header + 30, new_extra.size());
  set16(header + 34, 0);
  set32(header + 42, wide_offset ? kSaturated32 : joined_offset);
  out.insert(out.end(), new_extra.begin(), new_extra.end());
  const unsigned char* comment = p + kCentralHeaderSize + name_size + extra_size;
  out.insert(out.end(), comment, comment + comment_size);
  return true;
}

}  // namespace

bool rewrite_split_directory(const unsigned char* directory, std::size_t size, uint64_t count,
                             const std::vector<uint64_t>& disk_starts, Bytes& records) {
  records.clear();
  std::size_t at = 0;
  for (uint64_t i = 0; i < count; ++i) {
    std::size_t consumed = 0;
    if (!rewrite_record(directory + at, size - at, disk_starts, records, consumed)) return false;
    at += consumed;
  }
  return true;
}

Bytes single_disk_tail(Bytes records, const std::string& comment, uint64_t count,
                       uint64_t directory_offset) {
  const uint64_t directory_size = records.size();
  const uint64_t zip64_end = directory_offset + directory_size;
  Bytes out = std::move(records);
  if (count >= kSaturated16 || directory_size >= kSaturated32 || directory_offset >= kSaturated32) {
    put_signature(out, 6, 6);
    put64(out, kZip64EndRecordBody);
    put16(out, kZip64Version);  // made by
    put16(out, kZip64Version);  // needed
    put32(out, 0);              // this disk
    put32(out, 0);              // disk with the directory
    put64(out, count);
    put64(out, count);
    put64(out, directory_size);
    put64(out, directory_offset);
    put_signature(out, 6, 7);
    put32(out, 0);  // disk with the zip64 end record
    put64(out, zip64_end);
    put32(out, 1);  // disks in all
  }
  put_signature(out, 5, 6);
  put16(out, 0);
  put16(out, 0);
  put16(out, std::min<uint64_t>(count, kSaturated16));
  put16(out, std::min<uint64_t>(count, kSaturated16));
  put32(out, std::min<uint64_t>(directory_size, kSaturated32));
  put32(out, std::min<uint64_t>(directory_offset, kSaturated32));
  const std::size_t comment_size = std::min<std::size_t>(comment.size(), 0xFFFF);
  put16(out, comment_size);
  out.insert(out.end(), comment.begin(), comment.begin() + comment_size);
  return out;
}

}  // namespace unzip
