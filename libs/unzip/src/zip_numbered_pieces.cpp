#include "zip_numbered_pieces.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "zip_split_parts.h"

namespace unzip {
namespace {

bool is_regular_file(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// "name.001" -> "name.002"; the number keeps at least three digits.
std::string piece_name(const std::string& stem, unsigned number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return stem + digits;
}

class PieceBytes final : public ArchiveBytes {
 public:
  explicit PieceBytes(std::unique_ptr<PartChain> chain) : chain_(std::move(chain)) {}
  uint64_t size() const override { return chain_->size(); }
  bool read(uint64_t offset, unsigned char* buffer, uint64_t length, zip_error_t* error) override {
    return chain_->read(offset, buffer, length, error);
  }

 private:
  std::unique_ptr<PartChain> chain_;
};

struct Stream {
  std::shared_ptr<ArchiveBytes> bytes;
  uint64_t offset = 0;
};

ssize_t stream_read(void* cookie, char* buffer, size_t size) {
  auto* stream = static_cast<Stream*>(cookie);
  const uint64_t total = stream->bytes->size();
  const uint64_t length = std::min<uint64_t>(size, total - std::min(stream->offset, total));
  zip_error_t error;
  zip_error_init(&error);
  const bool read =
      length == 0 ||
      stream->bytes->read(stream->offset, reinterpret_cast<unsigned char*>(buffer), length, &error);
  zip_error_fini(&error);
  if (!read) return -1;
  stream->offset += length;
  return static_cast<ssize_t>(length);
}

int stream_seek(void* cookie, off64_t* position, int whence) {
  auto* stream = static_cast<Stream*>(cookie);
  const int64_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<int64_t>(stream->offset)
                                            : static_cast<int64_t>(stream->bytes->size());
  const int64_t target = base + *position;
  if (target < 0) return -1;
  stream->offset = static_cast<uint64_t>(target);
  *position = target;
  return 0;
}

int stream_close(void* cookie) {
  delete static_cast<Stream*>(cookie);
  return 0;
}

}  // namespace

std::optional<std::vector<std::string>> find_numbered_pieces(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  if (path.size() < name + 5 || path.compare(path.size() - 4, 4, ".001") != 0) return std::nullopt;
  const std::string stem = path.substr(0, path.size() - 3);
  std::vector<std::string> pieces{path};
  for (unsigned number = 2; number < 100000; ++number) {
    std::string next = piece_name(stem, number);
    if (!is_regular_file(next)) break;
    pieces.push_back(std::move(next));
  }
  if (pieces.size() < 2) return std::nullopt;
  return pieces;
}

std::unique_ptr<ArchiveBytes> open_pieces(std::vector<std::string> paths) {
  auto chain = std::make_unique<PartChain>();
  if (!chain->open(std::move(paths))) return nullptr;
  return std::make_unique<PieceBytes>(std::move(chain));
}

std::FILE* open_stream(std::shared_ptr<ArchiveBytes> bytes) {
  auto* stream = new Stream{std::move(bytes)};
  const cookie_io_functions_t functions{stream_read, nullptr, stream_seek, stream_close};
  std::FILE* file = fopencookie(stream, "rb", functions);
  if (file == nullptr) delete stream;
  return file;
}

}  // namespace unzip
