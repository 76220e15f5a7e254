#include "zip_split.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "zip_split_directory.h"
#include "zip_split_parts.h"
#include "zip_window_source.h"

namespace unzip {
namespace {

constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kCentralHeaderSize = 46;

using Bytes = std::vector<unsigned char>;

// The parts up to the start of the central directory, then the rewritten tail.
class SplitBytes final : public ArchiveBytes {
 public:
  SplitBytes(std::unique_ptr<PartChain> parts, uint64_t data_end, Bytes tail)
      : parts_(std::move(parts)), data_end_(data_end), tail_(std::move(tail)) {}

  uint64_t size() const override { return data_end_ + tail_.size(); }

  bool read(uint64_t offset, unsigned char* buffer, uint64_t length, zip_error_t* error) override {
    if (offset < data_end_) {
      const uint64_t from_parts = std::min(length, data_end_ - offset);
      if (!parts_->read(offset, buffer, from_parts, error)) return false;
      offset += from_parts;
      buffer += from_parts;
      length -= from_parts;
    }
    if (length == 0) return true;
    if (offset - data_end_ > tail_.size() || length > tail_.size() - (offset - data_end_)) {
      zip_error_set(error, ZIP_ER_EOF, 0);
      return false;
    }
    std::copy_n(tail_.begin() + static_cast<std::ptrdiff_t>(offset - data_end_), length, buffer);
    return true;
  }

 private:
  std::unique_ptr<PartChain> parts_;
  uint64_t data_end_;
  Bytes tail_;
};

bool read_range(PartChain& parts, uint64_t offset, uint64_t length, Bytes& bytes) {
  zip_error_t error;
  zip_error_init(&error);
  bytes.resize(length);
  const bool read = parts.read(offset, bytes.data(), length, &error);
  zip_error_fini(&error);
  return read;
}

}  // namespace

OpenStatus open_split_set(const std::string& last_part, const ArchiveLocation& location,
                          SplitSet& set, zip_error_t* error) {
  if (location.central_disk >= location.disk_count) return OpenStatus::MultiDisk;
  auto paths = find_split_parts(last_part, location.disk_count);
  auto parts = std::make_unique<PartChain>();
  if (!paths || !parts->open(std::move(*paths))) return OpenStatus::MultiDisk;

  const std::size_t last = parts->part_count() - 1;
  const uint64_t last_start = parts->part_start(last);
  const uint64_t central_start = parts->part_start(location.central_disk);
  const uint64_t end_record = last_start + location.end_record;
  if (location.central_offset > end_record - central_start ||
      location.central_size > end_record - central_start - location.central_offset ||
      location.entry_count > location.central_size / kCentralHeaderSize) {
    return OpenStatus::Damaged;
  }
  const uint64_t data_end = central_start + location.central_offset;

  Bytes directory;
  Bytes comment;
  if (!read_range(*parts, data_end, location.central_size, directory) ||
      !read_range(*parts, end_record + kEndRecordSize,
                  location.archive_end - location.end_record - kEndRecordSize, comment)) {
    return OpenStatus::MultiDisk;
  }
  std::vector<uint64_t> disk_starts;
  for (std::size_t part = 0; part < parts->part_count(); ++part)
    disk_starts.push_back(parts->part_start(part));
  Bytes records;
  if (!rewrite_split_directory(directory.data(), directory.size(), location.entry_count,
                               disk_starts, records)) {
    return OpenStatus::Damaged;
  }

  set.central_records = records;
  Bytes tail = single_disk_tail(std::move(records), std::string(comment.begin(), comment.end()),
                                location.entry_count, data_end);
  set.source = create_bytes_source(
      std::make_unique<SplitBytes>(std::move(parts), data_end, std::move(tail)), error);
  return set.source ? OpenStatus::Ok : OpenStatus::Damaged;
}

}  // namespace unzip
