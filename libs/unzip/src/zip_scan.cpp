#include "zip_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "zip_bytes.h"
#include "zip_central.h"
#include "zip_entry_open.h"

namespace unzip {
namespace {

constexpr uint16_t kFlagDataDescriptor = 1 << 3;
constexpr std::size_t kSearchChunk = 1 << 16;
// A local header with its name and extra field is at most this long.
constexpr std::size_t kLongestLocalHeader = kLocalHeaderSize + 2 * 0xFFFF;
// Signature, CRC and the two sizes, 64-bit ones at most.
constexpr std::size_t kLongestDescriptor = 24;

struct ArchiveFile {
  explicit ArchiveFile(int descriptor) : fd(descriptor) {}
  ~ArchiveFile() { ::close(fd); }
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  // Up to size bytes at offset; fewer only at the end of the file.
  std::size_t read_at(uint64_t offset, unsigned char* buffer, std::size_t size) const {
    std::size_t done = 0;
    while (done < size) {
      const ssize_t count =
          ::pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;
      done += static_cast<std::size_t>(count);
    }
    return done;
  }

  int fd;
  uint64_t size = 0;
};

// One entry's stored bytes straight from the file; pread keeps readers on several
// threads apart.
class FileRangeStream final : public ByteStream {
 public:
  FileRangeStream(std::shared_ptr<const ArchiveFile> file, uint64_t start, uint64_t length)
      : file_(std::move(file)), position_(start), left_(length) {}

  long long read(unsigned char* buffer, std::size_t size) override {
    if (status_ != ReadStatus::Ok) return -1;
    size = static_cast<std::size_t>(std::min<uint64_t>(size, left_));
    if (size == 0) return 0;
    const std::size_t count = file_->read_at(position_, buffer, size);
    if (count == 0) {
      status_ = ReadStatus::ReadError;  // the file ends inside the entry
      return -1;
    }
    position_ += count;
    left_ -= count;
    return static_cast<long long>(count);
  }
  ReadStatus status() const override { return status_; }

 private:
  std::shared_ptr<const ArchiveFile> file_;
  uint64_t position_;
  uint64_t left_;
  ReadStatus status_ = ReadStatus::Ok;
};

// Finds signatures in the file, looking at each byte a bounded number of times in
// all: a file made to send every search to its end stops the scan instead of slowing it.
class SignatureSearch {
 public:
  explicit SignatureSearch(const ArchiveFile& file)
      : file_(file), budget_(8 * file.size + kSearchChunk), chunk_(kSearchChunk) {}

  // The first offset at or after from where the four signature bytes lie.
  std::optional<uint64_t> find(uint64_t from, unsigned char third, unsigned char fourth) {
    const unsigned char signature[4] = {'P', 'K', third, fourth};
    spend(kSearchCost);
    while (from + 4 <= file_.size && budget_ > 0) {
      const std::size_t count = file_.read_at(from, chunk_.data(), chunk_.size());
      if (count < 4) return std::nullopt;
      const auto end = chunk_.begin() + static_cast<std::ptrdiff_t>(count);
      const auto hit = std::search(chunk_.begin(), end, signature, signature + 4);
      const auto looked_at = static_cast<uint64_t>(hit - chunk_.begin());
      spend(hit == end ? count - 3 : looked_at + 4);
      if (hit != end) return from + looked_at;
      from += count - 3;
    }
    return std::nullopt;
  }

 private:
  static constexpr uint64_t kSearchCost = 64;
  void spend(uint64_t bytes) { budget_ -= std::min(budget_, bytes); }

  const ArchiveFile& file_;
  uint64_t budget_;
  std::vector<unsigned char> chunk_;
};

// The descriptor after data starting at data_start: the first "PK\7\8" whose size
// field counts the bytes from data_start to itself. Returns the offset after it.
std::optional<uint64_t> read_descriptor(const ArchiveFile& file, SignatureSearch& search,
                                        uint64_t data_start, EntryInfo& entry) {
  for (std::optional<uint64_t> at = search.find(data_start, 7, 8); at;
       at = search.find(*at + 1, 7, 8)) {
    unsigned char bytes[kLongestDescriptor] = {};
    const std::size_t count = file.read_at(*at, bytes, sizeof bytes);
    const uint64_t stored = *at - data_start;
    if (count >= 16 && read_le32(bytes + 8) == stored) {
      entry.crc = read_le32(bytes + 4);
      entry.compressed_size = stored;
      entry.uncompressed_size = read_le32(bytes + 12);
      return *at + 16;
    }
    if (count >= 24 && read_le64(bytes + 8) == stored) {
      entry.crc = read_le32(bytes + 4);
      entry.compressed_size = stored;
      entry.uncompressed_size = read_le64(bytes + 16);
      return *at + 24;
    }
  }
  return std::nullopt;
}

class ScannedArchive final : public ZipArchive {
 public:
  // data_starts: where each entry's data begins, after its local header.
  ScannedArchive(std::shared_ptr<const ArchiveFile> file, std::vector<EntryInfo> entries,
                 std::vector<uint64_t> data_starts)
      : file_(std::move(file)),
        entries_(std::move(entries)),
        data_starts_(std::move(data_starts)) {}

  const std::vector<EntryInfo>& entries() const override { return entries_; }
  const std::string& comment() const override { return comment_; }
  bool can_decode(const EntryInfo& entry) const override { return entry_decodable(entry); }
  bool password_matches(const EntryInfo& entry, const std::string& password) override {
    const EntryInfo* known = lookup(entry);
    return known && check_entry_password(raw_opener(), *known, password) == ReadStatus::Ok;
  }
  // Each entry's bytes end before the next header found begins.
  bool overlaps_another(const EntryInfo&) override { return false; }
  std::unique_ptr<EntryReader> open_entry(const EntryInfo& entry, const std::string& password,
                                          ReadStatus& status) override {
    const EntryInfo* known = lookup(entry);
    if (!known) {
      status = ReadStatus::Unsupported;
      return nullptr;
    }
    return open_entry_reader(raw_opener(), *known, password, status);
  }

 private:
  const EntryInfo* lookup(const EntryInfo& entry) const {
    return entry.index < entries_.size() ? &entries_[entry.index] : nullptr;
  }
  RawOpener raw_opener() const {
    return [this](const EntryInfo& entry, ReadStatus& status) -> std::unique_ptr<ByteStream> {
      status = ReadStatus::Ok;
      return std::make_unique<FileRangeStream>(file_, data_starts_[entry.index],
                                               entry.compressed_size);
    };
  }

  std::shared_ptr<const ArchiveFile> file_;
  std::vector<EntryInfo> entries_;
  std::vector<uint64_t> data_starts_;
  std::string comment_;
};

}  // namespace

std::unique_ptr<ZipArchive> scan_local_headers(const std::string& path, OpenResult& result) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.status = OpenStatus::NotFound;
    result.system_error = std::strerror(errno);
    return nullptr;
  }
  auto file = std::make_shared<ArchiveFile>(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  file->size = static_cast<uint64_t>(info.st_size);

  SignatureSearch search(*file);
  std::vector<EntryInfo> entries;
  std::vector<uint64_t> data_starts;
  std::vector<unsigned char> header(kLongestLocalHeader);
  uint64_t position = 0;
  while (const std::optional<uint64_t> at = search.find(position, 3, 4)) {
    EntryInfo entry;
    const std::size_t count = file->read_at(*at, header.data(), header.size());
    const std::size_t header_size = parse_local_header(header.data(), count, entry);
    if (header_size == 0 || entry.name.empty()) {
      position = *at + 1;
      continue;
    }
    const uint64_t data_start = *at + header_size;
    uint64_t next = data_start + std::min(entry.compressed_size, file->size - data_start);
    if ((entry.flags & kFlagDataDescriptor) && entry.compressed_size == 0 && !entry.is_folder()) {
      std::optional<uint64_t> after = read_descriptor(*file, search, data_start, entry);
      if (!after) {
        // No descriptor: the data runs to the next header, and its check will fail.
        after = search.find(data_start, 3, 4).value_or(file->size);
        entry.compressed_size = *after - data_start;
      }
      next = *after;
    }
    entry.index = entries.size();
    entry.local_offset = *at;
    entries.push_back(std::move(entry));
    data_starts.push_back(data_start);
    position = next;
  }
  if (entries.empty()) return nullptr;
  result = OpenResult{};
  return std::make_unique<ScannedArchive>(std::move(file), std::move(entries),
                                          std::move(data_starts));
}

}  // namespace unzip
