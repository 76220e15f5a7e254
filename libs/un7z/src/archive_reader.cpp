#include "archive_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "header_parser.h"
#include "un7z.h"

namespace un7z {
namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kSignatureHeaderSize = 32;
constexpr uint64_t kLargestHeader = uint64_t{1} << 30;
// A packed header inside a packed header is legal; more nesting is not written.
constexpr int kMostHeaderLevels = 4;
constexpr size_t kHeaderChunk = 1 << 20;
// 7-Zip's self-extracting programs are well under this.
constexpr uint64_t kSfxSearch = uint64_t{4} << 20;

uint32_t le32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint64_t le64(const uint8_t* bytes) {
  return le32(bytes) | static_cast<uint64_t>(le32(bytes + 4)) << 32;
}

uint32_t crc32_of(const uint8_t* data, size_t size) {
  return static_cast<uint32_t>(crc32_z(0, data, size));
}

}  // namespace

// A self-extracting file: the first signature after the program whose start header's
// CRC holds; 0 when there is none.
uint64_t ArchiveReader::find_embedded_archive() const {
  std::vector<uint8_t> window(static_cast<size_t>(std::min<uint64_t>(file_.size(), kSfxSearch)));
  if (!file_.read_exact(0, window.data(), window.size())) return 0;
  for (size_t at = 1; at + kSignatureHeaderSize <= window.size(); ++at) {
    const uint8_t* start = window.data() + at;
    if (std::memcmp(start, kSignature, sizeof kSignature) == 0 &&
        crc32_of(start + 12, 20) == le32(start + 8)) {
      return at;
    }
  }
  return 0;
}

int ArchiveReader::open(const std::string& path) {
  const int opened = file_.open(path);
  if (opened != UN7Z_SUCCESS) return opened;
  uint8_t start[kSignatureHeaderSize] = {};
  const size_t have = static_cast<size_t>(std::min<uint64_t>(file_.size(), sizeof start));
  if (!file_.read_exact(0, start, have)) return UN7Z_EREAD;
  if (have < sizeof kSignature || std::memcmp(start, kSignature, sizeof kSignature) != 0) {
    archiveStart_ = find_embedded_archive();
    if (archiveStart_ == 0) return UN7Z_UNKNOWN_FORMAT;
    file_.read_exact(archiveStart_, start, sizeof start);
  } else if (have < sizeof start || crc32_of(start + 12, 20) != le32(start + 8)) {
    return UN7Z_BAD_ARCHIVE;
  }
  const uint64_t offset = le64(start + 12), size = le64(start + 20);
  if (size == 0) return UN7Z_SUCCESS;  // an archive of nothing
  const uint64_t headersStart = archiveStart_ + kSignatureHeaderSize;
  const uint64_t available = file_.size() - headersStart;
  if (offset > available || size > available - offset) return file_.truncation_code();
  if (size > kLargestHeader) return UN7Z_BAD_ARCHIVE;
  std::vector<uint8_t> header(static_cast<size_t>(size));
  if (!file_.read_exact(headersStart + offset, header.data(), header.size())) return UN7Z_EREAD;
  if (crc32_of(header.data(), header.size()) != le32(start + 28)) return UN7Z_BAD_ARCHIVE;
  return read_header(std::move(header));
}

int ArchiveReader::read_header(std::vector<uint8_t> header) {
  for (int level = 0; level < kMostHeaderLevels; ++level) {
    HeaderBytes in(header.data(), header.size());
    uint64_t id = 0;
    if (!in.number(id)) return UN7Z_BAD_ARCHIVE;
    if (id == kHeader) {
      if (!parse_header(in, database_)) return UN7Z_BAD_ARCHIVE;
      size_t first = 0;
      for (const Folder& folder : database_.streams.folders) {
        firstSubstream_.push_back(first);
        first += folder.substreams;
      }
      return UN7Z_SUCCESS;
    }
    if (id != kEncodedHeader) return UN7Z_BAD_ARCHIVE;
    std::vector<uint8_t> decoded;
    const int result = decode_header(in, decoded);
    if (result != UN7Z_SUCCESS) return result;
    header = std::move(decoded);
  }
  return UN7Z_BAD_ARCHIVE;
}

int ArchiveReader::decode_header(HeaderBytes& in, std::vector<uint8_t>& decoded) {
  // The encoded header's streams are read as the archive's until it is decoded.
  if (!parse_streams_info(in, database_.streams) || database_.streams.folders.empty()) {
    return UN7Z_BAD_ARCHIVE;
  }
  const Folder& folder = database_.streams.folders[0];
  const uint64_t size = folder.unpack_size();
  if (size > kLargestHeader) return UN7Z_BAD_ARCHIVE;
  std::unique_ptr<ByteStream> stream;
  int result = open_folder(folder_source(), 0, stream);
  while (result == UN7Z_SUCCESS && decoded.size() < size) {
    const size_t at = decoded.size();
    decoded.resize(at + static_cast<size_t>(std::min<uint64_t>(kHeaderChunk, size - at)));
    const size_t got = stream->read(decoded.data() + at, decoded.size() - at);
    decoded.resize(at + got);
    if (got == 0) result = stream->status() != 0 ? stream->status() : UN7Z_BAD_DATA;
  }
  if (result == UN7Z_SUCCESS && folder.crc &&
      crc32_of(decoded.data(), decoded.size()) != *folder.crc) {
    result = UN7Z_BAD_DATA;
  }
  if (result == UN7Z_BAD_DATA && folder.encrypted()) {
    passwords_.forget();
    return UN7Z_BAD_PASSWORD;
  }
  database_ = ArchiveDatabase{};
  return result == UN7Z_BAD_DATA ? UN7Z_BAD_ARCHIVE : result;
}

int ArchiveReader::next_entry(SevenZipEntry& entry) {
  if (next_ >= database_.entries.size()) return UN7Z_END_ARCHIVE;
  entry = database_.entries[next_++];
  return UN7Z_SUCCESS;
}

FolderSource ArchiveReader::folder_source() {
  return {file_, database_.streams,
          archiveStart_ + kSignatureHeaderSize + database_.streams.packPos, passwords_.keys(),
          [this](std::string& password) { return passwords_.get(password); }};
}

uint64_t ArchiveReader::substream_size(size_t folder, size_t index) const {
  const size_t at = firstSubstream_[folder] + index;
  return at < database_.streams.substreamSizes.size() ? database_.streams.substreamSizes[at] : 0;
}

}  // namespace un7z
