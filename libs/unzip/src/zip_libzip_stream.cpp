#include "zip_libzip_stream.h"

#include <algorithm>

namespace unzip {
namespace {

ReadStatus status_from_libzip(int code) {
  switch (code) {
    case ZIP_ER_MEMORY:
      return ReadStatus::NoMemory;
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
      return ReadStatus::InvalidData;
    case ZIP_ER_COMPNOTSUPP:
    case ZIP_ER_ENCRNOTSUPP:
      return ReadStatus::Unsupported;
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_NOPASSWD:
      return ReadStatus::WrongPassword;
    default:
      return ReadStatus::ReadError;
  }
}

class LibzipStream final : public ByteStream {
 public:
  // limit: bytes to hand out; reading never asks libzip for more, so the CRC check
  // libzip adds to stored entries never runs over encrypted bytes.
  LibzipStream(SharedZip& zip, zip_file_t* file, uint64_t limit)
      : zip_(zip), file_(file), left_(limit) {}
  ~LibzipStream() override {
    std::lock_guard hold(zip_.lock);
    zip_fclose(file_);
  }
  LibzipStream(const LibzipStream&) = delete;
  LibzipStream& operator=(const LibzipStream&) = delete;

  long long read(unsigned char* buffer, std::size_t size) override {
    if (status_ != ReadStatus::Ok) return -1;
    size = static_cast<std::size_t>(std::min<uint64_t>(size, left_));
    if (size == 0) return 0;
    std::lock_guard hold(zip_.lock);
    const zip_int64_t count = zip_fread(file_, buffer, size);
    if (count < 0) {
      status_ = status_from_libzip(zip_error_code_zip(zip_file_get_error(file_)));
      return -1;
    }
    if (count == 0) {
      status_ = ReadStatus::ReadError;  // the file ends inside the entry
      return -1;
    }
    left_ -= static_cast<uint64_t>(count);
    return count;
  }

  ReadStatus status() const override { return status_; }

 private:
  SharedZip& zip_;
  zip_file_t* file_;
  uint64_t left_;
  ReadStatus status_ = ReadStatus::Ok;
};

}  // namespace

long long read_fully(ByteStream& stream, unsigned char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const long long count = stream.read(buffer + done, size - done);
    if (count < 0) return -1;
    if (count == 0) break;
    done += static_cast<std::size_t>(count);
  }
  return static_cast<long long>(done);
}

std::unique_ptr<ByteStream> open_libzip_raw(SharedZip& zip, uint64_t index,
                                            uint64_t compressed_size, ReadStatus& status) {
  std::lock_guard hold(zip.lock);
  zip_file_t* file = zip_fopen_index(zip.archive, index, ZIP_FL_ENCRYPTED);
  if (file == nullptr) {
    status = status_from_libzip(zip_error_code_zip(zip_get_error(zip.archive)));
    return nullptr;
  }
  status = ReadStatus::Ok;
  return std::make_unique<LibzipStream>(zip, file, compressed_size);
}

}  // namespace unzip
