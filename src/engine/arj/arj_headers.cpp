#include "engine/arj/arj_headers.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
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
constexpr size_t kFileTypeOffset = 6;
constexpr size_t kCompressedSizeOffset = 12;
constexpr size_t kOriginalSizeOffset = 16;
constexpr size_t kCrcOffset = 20;
// In the part of the basic header that first_hdr_size counts: a local header keeps
// the extended file position here, the main header its second flags byte.
constexpr size_t kExtendedPositionOffset = 30;
constexpr size_t kMainFlags2Offset = 31;
constexpr unsigned char kMainVolume = 0x04;
constexpr unsigned char kMainAlternateVolumeName = 0x01;
constexpr size_t kSearchBlock = 64 * 1024;
// A damaged set must not send the walk round in circles through its names.
constexpr int kMaxVolumes = 1000;

uint32_t Little16(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes[at]) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

uint32_t Little32(const std::string& bytes, size_t at) {
  return Little16(bytes, at) | Little16(bytes, at + 2) << 16;
}

uint8_t Byte(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]);
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
  // past its extended headers, whose data goes to extended when it is given.
  std::optional<std::string> BasicHeader(uint64_t offset, uint64_t& end,
                                         std::string* extended = nullptr) {
    std::string head;
    if (!Read(offset, 4, head)) return std::nullopt;
    if (Byte(head, 0) != kHeaderId0 || Byte(head, 1) != kHeaderId1) return std::nullopt;
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
      const uint32_t length = Little16(extendedSize, 0);
      std::string data;
      if (extended != nullptr && Read(end + 2, length, data)) *extended += data;
      end += 2 + length + 4;
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
        if (Byte(block, at) != kHeaderId0 || Byte(block, at + 1) != kHeaderId1) continue;
        uint64_t end = 0;
        if (BasicHeader(start + at, end)) return start + at;
      }
      if (!whole) return std::nullopt;
    }
  }

  // The end marker: an id and a size of 0.
  bool EndMarkerAt(uint64_t offset) {
    std::string marker;
    return Read(offset, 4, marker) && Byte(marker, 0) == kHeaderId0 &&
           Byte(marker, 1) == kHeaderId1 && Little16(marker, 2) == 0;
  }

  static uint32_t Crc32(const std::string& bytes) {
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0),
                                       reinterpret_cast<const Bytef*>(bytes.data()),
                                       static_cast<uInt>(bytes.size())));
  }

 private:
  std::ifstream in_;
};

ArjEntryHeader EntryOf(const std::string& header, std::string extended) {
  ArjEntryHeader entry;
  entry.flags = Byte(header, kFlagsOffset);
  entry.fileType = Byte(header, kFileTypeOffset);
  entry.size = Little32(header, kOriginalSizeOffset);
  entry.crc = Little32(header, kCrcOffset);
  const size_t firstSize = Byte(header, 0);
  if ((entry.flags & kArjContinuedFromPreviousVolume) != 0 &&
      firstSize >= kExtendedPositionOffset + 4 && header.size() >= kExtendedPositionOffset + 4) {
    entry.position = Little32(header, kExtendedPositionOffset);
  }
  if (firstSize < header.size()) {
    const size_t end = header.find('\0', firstSize);
    entry.name = header.substr(firstSize, end == std::string::npos ? end : end - firstSize);
  }
  entry.extended = std::move(extended);
  return entry;
}

struct VolumeReading {
  bool opened = false;     // its main header was read
  bool complete = false;   // read up to the end marker
  bool continues = false;  // the set goes on in the next volume
  bool alternateName = false;
};

// Adds the local headers of one volume to entries.
VolumeReading ReadVolume(const std::string& path, std::vector<ArjEntryHeader>& entries) {
  VolumeReading reading;
  HeaderFile file(path);
  const std::optional<uint64_t> mainOffset = file.FindMainHeader();
  if (!mainOffset) return reading;
  uint64_t offset = 0;
  const std::optional<std::string> main = file.BasicHeader(*mainOffset, offset);
  if (!main) return reading;
  reading.opened = true;
  reading.continues = (Byte(*main, kFlagsOffset) & kMainVolume) != 0;
  reading.alternateName = Byte(*main, 0) > kMainFlags2Offset && main->size() > kMainFlags2Offset &&
                          (Byte(*main, kMainFlags2Offset) & kMainAlternateVolumeName) != 0;
  uint64_t next = 0;
  std::string extended;
  while (const std::optional<std::string> header = file.BasicHeader(offset, next, &extended)) {
    entries.push_back(EntryOf(*header, std::move(extended)));
    extended.clear();
    offset = next + Little32(*header, kCompressedSizeOffset);
  }
  reading.complete = file.EndMarkerAt(offset);
  return reading;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

// The number that follows the one ending text (in the last `width` or, when they are
// all digits, `width + 1` characters), or 1 when text ends in no number; the text with
// that number written over its end.
std::string NextNumbered(const std::string& text, size_t width) {
  size_t digits = 0;
  if (text.size() > width && AllDigits(text.substr(text.size() - width - 1))) {
    digits = width + 1;
  } else if (text.size() >= width && AllDigits(text.substr(text.size() - width))) {
    digits = width;
  }
  const unsigned long number = digits == 0 ? 1 : std::stoul(text.substr(text.size() - digits)) + 1;
  char formatted[16];
  const int written =
      std::snprintf(formatted, sizeof formatted, "%0*lu", static_cast<int>(width), number);
  const size_t replaced = std::min(text.size(), static_cast<size_t>(written));
  return text.substr(0, text.size() - replaced) + formatted;
}

}  // namespace

ArjHeaders ReadArjHeaders(const std::string& path) {
  ArjHeaders headers;
  std::string volume = path;
  for (int count = 0; count < kMaxVolumes; ++count) {
    const VolumeReading reading = ReadVolume(volume, headers.entries);
    if (reading.opened) headers.volumes.push_back(volume);
    if (!reading.complete) return headers;
    if (!reading.continues) {
      headers.complete = true;
      return headers;
    }
    volume = NextArjVolumeName(volume, reading.alternateName);
  }
  return headers;
}

std::string NextArjVolumeName(const std::string& volume, bool alternateNaming) {
  if (!alternateNaming) return NextNumbered(volume, 2);
  const size_t slash = volume.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = volume.rfind('.');
  if (dot == std::string::npos || dot < nameStart) dot = volume.size();
  return volume.substr(0, nameStart) + NextNumbered(volume.substr(nameStart, dot - nameStart), 3) +
         volume.substr(dot);
}

bool ArjMainHeaderFound(const std::string& path) {
  return HeaderFile(path).FindMainHeader().has_value();
}

bool ArjArchiveHasGarbledEntry(const std::string& path) {
  std::vector<ArjEntryHeader> entries;
  ReadVolume(path, entries);
  for (const ArjEntryHeader& entry : entries) {
    if ((entry.flags & kArjGarbled) != 0) return true;
  }
  return false;
}

uint64_t ArjStoredFile::size() const {
  return parts.empty() ? 0 : static_cast<uint64_t>(parts.back().position) + parts.back().size;
}

std::vector<ArjStoredFile> ArjStoredFiles(const ArjHeaders& headers) {
  std::vector<ArjStoredFile> files;
  // Per file: its parts so far follow each other from 0, and the last one goes on.
  std::vector<bool> gapless;
  std::vector<bool> continues;
  for (const ArjEntryHeader& entry : headers.entries) {
    if (entry.fileType != kArjBinaryFile && entry.fileType != kArjTextFile) continue;
    size_t at = files.size();
    if ((entry.flags & kArjContinuedFromPreviousVolume) != 0) {
      // The latest file of that name still waiting for its next part.
      for (size_t i = files.size(); i-- > 0;) {
        if (continues[i] && files[i].name == entry.name) {
          at = i;
          break;
        }
      }
    }
    if (at == files.size()) {
      files.push_back({entry.name, {}, false});
      gapless.push_back(true);
      continues.push_back(false);
    }
    ArjStoredFile& file = files[at];
    gapless[at] = gapless[at] && entry.position == file.size();
    file.parts.push_back({entry.position, entry.size, entry.crc});
    continues[at] = (entry.flags & kArjContinuesInNextVolume) != 0;
    file.whole = gapless[at] && !continues[at];
  }
  return files;
}

}  // namespace tessaly
