#include "zip_libzip_stream.h"

#include <algorithm>
#include <optional>

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

class LibzipStream final : public LibzipDecodedStream {
 public:
  // limit: bytes to hand out at most; reading never asks libzip for more, so the
  // CRC check libzip adds to stored entries never runs over encrypted bytes.
  LibzipStream(zip_file_t* file, std::optional<uint64_t> limit) : file_(file), left_(limit) {}
  ~LibzipStream() override { zip_fclose(file_); }
  LibzipStream(const LibzipStream&) = delete;
  LibzipStream& operator=(const LibzipStream&) = delete;

  long long read(unsigned char* buffer, std::size_t size) override {
    if (status_ != ReadStatus::Ok) return -1;
    if (left_) size = static_cast<std::size_t>(std::min<uint64_t>(size, *left_));
    if (size == 0) return 0;
    const zip_int64_t count = zip_fread(file_, buffer, size);
    if (count < 0) {
      const int code = zip_error_code_zip(zip_file_get_error(file_));
      // libzip reports a CRC mismatch only after handing out every byte; the
      // reader on top reports it with both values.
      if (code == ZIP_ER_CRC && !left_) {
        crc_mismatch_ = true;
        return 0;
      }
      status_ = status_from_libzip(code);
      return -1;
    }
    if (left_) {
      if (count == 0) {
        status_ = ReadStatus::ReadError;  // the file ends inside the entry
        return -1;
      }
      *left_ -= static_cast<uint64_t>(count);
    }
    return count;
  }

  ReadStatus status() const override { return status_; }
  bool crc_mismatch() const override { return crc_mismatch_; }

 private:
  zip_file_t* file_;
  std::optional<uint64_t> left_;
  ReadStatus status_ = ReadStatus::Ok;
  bool crc_mismatch_ = false;
};

std::unique_ptr<LibzipStream> open_file(zip_t* archive, uint64_t index, zip_flags_t flags,
                                        std::optional<uint64_t> limit, ReadStatus& status) {
  zip_file_t* file = zip_fopen_index(archive, index, flags);
  if (file == nullptr) {
    status = status_from_libzip(zip_error_code_zip(zip_get_error(archive)));
    return nullptr;
  }
  status = ReadStatus::Ok;
  return std::make_unique<LibzipStream>(file, limit);
}

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

std::unique_ptr<LibzipDecodedStream> open_libzip_decoded(zip_t* archive, uint64_t index,
                                                         ReadStatus& status) {
  return open_file(archive, index, 0, std::nullopt, status);
}

std::unique_ptr<ByteStream> open_libzip_raw(zip_t* archive, uint64_t index,
                                            uint64_t compressed_size, ReadStatus& status) {
  return open_file(archive, index, ZIP_FL_ENCRYPTED, compressed_size, status);
}

}  // namespace unzip
