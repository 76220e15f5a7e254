#include "zip_window_source.h"

#include "zip_file_read.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace unzip {
namespace {

constexpr uint64_t kCentralSizeOffset = 12;  // within the end record
constexpr uint64_t kCommentLengthOffset = 20;
constexpr uint64_t kEndRecordSize = 22;

class BytesSource {
 public:
  explicit BytesSource(std::unique_ptr<ArchiveBytes> bytes) : bytes_(std::move(bytes)) {
    zip_error_init(&error_);
  }
  ~BytesSource() { zip_error_fini(&error_); }
  BytesSource(const BytesSource&) = delete;
  BytesSource& operator=(const BytesSource&) = delete;

  static zip_int64_t callback(void* user, void* data, zip_uint64_t length,
                              zip_source_cmd_t command) {
    auto* self = static_cast<BytesSource*>(user);
    if (command == ZIP_SOURCE_FREE) {
      delete self;
      return 0;
    }
    return self->handle(data, length, command);
  }

 private:
  zip_int64_t handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
      case ZIP_SOURCE_OPEN:
        offset_ = 0;
        return 0;
      case ZIP_SOURCE_READ:
        return read(static_cast<unsigned char*>(data), length);
      case ZIP_SOURCE_CLOSE:
        return 0;
      case ZIP_SOURCE_STAT: {
        auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
        if (stat == nullptr) return -1;
        zip_stat_init(stat);
        stat->size = bytes_->size();
        stat->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, length);
      case ZIP_SOURCE_SEEK: {
        const zip_int64_t target =
            zip_source_seek_compute_offset(offset_, bytes_->size(), data, length, &error_);
        if (target < 0) return -1;
        offset_ = static_cast<uint64_t>(target);
        return 0;
      }
      case ZIP_SOURCE_TELL:
        return static_cast<zip_int64_t>(offset_);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(
            ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
            ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS, -1);
      default:
        zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
  }

  zip_int64_t read(unsigned char* buffer, uint64_t length) {
    const uint64_t size = bytes_->size();
    length = std::min(length, size - std::min(offset_, size));
    if (length > 0 && !bytes_->read(offset_, buffer, length, &error_)) return -1;
    offset_ += length;
    return static_cast<zip_int64_t>(length);
  }

  std::unique_ptr<ArchiveBytes> bytes_;
  uint64_t offset_ = 0;
  zip_error_t error_;
};

class FileBytes final : public ArchiveBytes {
 public:
  FileBytes(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FileBytes() override { close(fd_); }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, unsigned char* buffer, uint64_t length, zip_error_t* error) override {
    return read_exact(fd_, offset, buffer, length, error);
  }

 private:
  int fd_;
  uint64_t size_;
};

class FileWindow final : public ArchiveBytes {
 public:
  FileWindow(std::unique_ptr<ArchiveBytes> file, const ArchiveWindow& window)
      : file_(std::move(file)), window_(window) {
    patch(kCommentLengthOffset, window.end - window.end_record - kEndRecordSize, 2);
    if (window.central_size) patch(kCentralSizeOffset, *window.central_size, 4);
    load_cache();
  }

  uint64_t size() const override { return window_.end - window_.start; }

  bool read(uint64_t offset, unsigned char* buffer, uint64_t length, zip_error_t* error) override {
    const uint64_t first = window_.start + offset;
    if (!cache_.empty() && first >= cache_start_ && first - cache_start_ <= cache_.size() &&
        length <= cache_.size() - (first - cache_start_)) {
      std::memcpy(buffer, cache_.data() + (first - cache_start_), length);
      apply_patch(first, buffer, length);
      return true;
    }
    if (!file_->read(first, buffer, length, error)) return false;
    apply_patch(first, buffer, length);
    return true;
  }

 private:
  // Without a cache every read goes to the file, which is only slower.
  void load_cache() {
    if (!window_.cached_from) return;
    const uint64_t from = std::max(*window_.cached_from, window_.start);
    if (from >= window_.end) return;
    cache_.resize(window_.end - from);
    zip_error_t error;
    zip_error_init(&error);
    if (file_->read(from, cache_.data(), cache_.size(), &error)) {
      cache_start_ = from;
    } else {
      cache_.clear();
    }
    zip_error_fini(&error);
  }

  // A little-endian field of the end record, replaced in what libzip reads.
  void patch(uint64_t field_offset, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i, value >>= 8) {
      patches_.push_back(
          {window_.end_record + field_offset + i, static_cast<unsigned char>(value)});
    }
  }

  void apply_patch(uint64_t first, unsigned char* buffer, uint64_t length) const {
    for (const auto& [at, byte] : patches_) {
      if (at >= first && at < first + length) buffer[at - first] = byte;
    }
  }

  std::unique_ptr<ArchiveBytes> file_;
  ArchiveWindow window_;
  std::vector<std::pair<uint64_t, unsigned char>> patches_;  // file offset, byte
  std::vector<unsigned char> cache_;
  uint64_t cache_start_ = 0;  // file offset of cache_[0]
};

}  // namespace

zip_source_t* create_bytes_source(std::unique_ptr<ArchiveBytes> bytes, zip_error_t* error) {
  auto* state = new BytesSource(std::move(bytes));
  zip_source_t* source = zip_source_function_create(&BytesSource::callback, state, error);
  if (source == nullptr) delete state;
  return source;
}

zip_source_t* create_window_source(const std::string& path, const ArchiveWindow& window,
                                   zip_error_t* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    zip_error_set(error, ZIP_ER_OPEN, errno);
    return nullptr;
  }
  const off_t size = lseek(fd, 0, SEEK_END);
  return create_window_source(
      std::make_unique<FileBytes>(fd, size < 0 ? 0 : static_cast<uint64_t>(size)), window, error);
}

zip_source_t* create_window_source(std::unique_ptr<ArchiveBytes> file, const ArchiveWindow& window,
                                   zip_error_t* error) {
  return create_bytes_source(std::make_unique<FileWindow>(std::move(file), window), error);
}

}  // namespace unzip
