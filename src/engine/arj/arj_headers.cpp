#include "engine/arj/arj_headers.h"

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <optional>

namespace tessaly {

namespace {

constexpr unsigned char kHeaderId0 = 0x60;
constexpr unsigned char kHeaderId1 = 0xEA;
constexpr uint32_t kMaxBasicHeaderSize = 2600;
// first_hdr_size, version, version to extract, host, flags, method, file type,
// reserved, date-time, compressed size, original size, CRC, ...
constexpr uint32_t kMinBasicHeaderSize = 20;
constexpr size_t kFlagsOffset = 4;
constexpr size_t kCompressedSizeOffset = 12;
constexpr unsigned char kGarbledFlag = 0x01;
constexpr size_t kSearchBlock = 64 * 1024;

uint32_t Little16(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

uint32_t Little32(const std::string& bytes, size_t at) {
  return Little16(bytes, at) | Little16(bytes, at + 2) << 16;
}

class HeaderFile {
 public:
  explicit HeaderFile(const std::string& path) : in_(path, std::ios::binary) {}

  bool Read(uint64_t offset, size_t count, std::string& bytes) {
    bytes.assign(count, '\0');
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<size_t>(in_.gcount()));
    return bytes.size() == count;
  }

  // The basic header at offset (what follows the id and the size), when its id, size
  // and CRC-32 are right; nothing for the end marker or a damaged header. end is set
  // past its extended headers.
  std::optional<std::string> BasicHeader(uint64_t offset, uint64_t& end) {
    std::string head;
    if (!Read(offset, 4, head)) return std::nullopt;
    if (static_cast<unsigned char>(head[0]) != kHeaderId0 ||
        static_cast<unsigned char>(head[1]) != kHeaderId1) {
      return std::nullopt;
    }
    const uint32_t size = Little16(head, 2);
    if (size < kMinBasicHeaderSize || size > kMaxBasicHeaderSize) return std::nullopt;
    std::string header;
    std::string crc;
    if (!Read(offset + 4, size, header) || !Read(offset + 4 + size, 4, crc)) return std::nullopt;
    if (Crc32(header) != Little32(crc, 0)) return std::nullopt;
    end = offset + 4 + size + 4;
    // Extended headers: a size, the data and its CRC, until a size of 0.
    std::string extendedSize;
    while (Read(end, 2, extendedSize) && Little16(extendedSize, 0) != 0) {
      end += 2 + Little16(extendedSize, 0) + 4;
    }
    end += 2;
    return header;
  }

  // The offset of the first valid header: 0 for a plain archive, later behind a stub.
  std::optional<uint64_t> FindMainHeader() {
    std::string block;
    for (uint64_t start = 0;; start += kSearchBlock) {
      const bool whole = Read(start, kSearchBlock + 1, block);
      for (size_t at = 0; at + 1 < block.size(); ++at) {
        if (static_cast<unsigned char>(block[at]) != kHeaderId0 ||
            static_cast<unsigned char>(block[at + 1]) != kHeaderId1) {
          continue;
        }
        uint64_t end = 0;
        if (BasicHeader(start + at, end)) return start + at;
      }
      if (!whole) return std::nullopt;
    }
  }

 private:
  static uint32_t Crc32(const std::string& bytes) {
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0),
                                       reinterpret_cast<const Bytef*>(bytes.data()),
                                       static_cast<uInt>(bytes.size())));
  }

  std::ifstream in_;
};

}  // namespace

bool ArjArchiveHasGarbledEntry(const std::string& path) {
  HeaderFile file(path);
  const std::optional<uint64_t> mainHeader = file.FindMainHeader();
  if (!mainHeader) return false;
  uint64_t offset = 0;
  if (!file.BasicHeader(*mainHeader, offset)) return false;
  uint64_t next = 0;
  while (const std::optional<std::string> header = file.BasicHeader(offset, next)) {
    if ((static_cast<unsigned char>((*header)[kFlagsOffset]) & kGarbledFlag) != 0) return true;
    offset = next + Little32(*header, kCompressedSizeOffset);
  }
  return false;
}

}  // namespace tessaly
