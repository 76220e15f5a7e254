// The PPMd model on the PPMd entries of real RAR 2.9 archives (found by walking
// their blocks here, so the archive layer is not needed), and on damaged input.
#include "rar_ppmd.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive_crc.h"

namespace unrar {
namespace {

using Bytes = std::vector<uint8_t>;

struct PackedEntry {
  std::string name;
  uint32_t unpackedSize = 0;
  uint32_t crc = 0;
  Bytes packed;
};

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le16(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8;
}
uint32_t le32(const Bytes& b, size_t at) {
  return le16(b, at) | le16(b, at + 2) << 16;
}

// The file entries of a RAR 1.5-4 archive whose data is whole in this file.
std::vector<PackedEntry> rar4_entries(const std::string& archive) {
  const Bytes data = read_file(std::string(TESSALY_CORPUS_DIR) + "/rar/" + archive);
  const Bytes marker = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  std::vector<PackedEntry> entries;
  if (data.size() < marker.size() || !std::equal(marker.begin(), marker.end(), data.begin())) {
    return entries;
  }
  size_t pos = marker.size();
  while (pos + 7 <= data.size()) {
    const uint32_t type = data[pos + 2];
    const uint32_t flags = le16(data, pos + 3);
    const uint32_t headSize = le16(data, pos + 5);
    if (headSize < 7 || pos + headSize > data.size()) break;
    uint64_t dataSize = 0;
    if (type == 0x74 && headSize >= 32) {
      dataSize = le32(data, pos + 7);
      const bool isDirectory = (flags & 0xE0) == 0xE0;
      const size_t nameAt = pos + 32 + ((flags & 0x100) ? 8 : 0);
      if (!isDirectory && pos + headSize + dataSize <= data.size()) {
        PackedEntry entry;
        entry.name.assign(data.begin() + nameAt, data.begin() + nameAt + le16(data, pos + 26));
        entry.unpackedSize = le32(data, pos + 11);
        entry.crc = le32(data, pos + 16);
        entry.packed.assign(data.begin() + pos + headSize,
                            data.begin() + pos + headSize + dataSize);
        entries.push_back(entry);
      }
    } else if (flags & 0x8000) {
      dataSize = le32(data, pos + 7);
    }
    pos += headSize + dataSize;
  }
  return entries;
}

class ByteVectorSource : public ByteSource {
 public:
  explicit ByteVectorSource(const Bytes& bytes, size_t from = 0) : bytes_(bytes), pos_(from) {}
  int next_byte() override { return pos_ < bytes_.size() ? bytes_[pos_++] : -1; }

 private:
  const Bytes& bytes_;
  size_t pos_;
};

// The block header the LZ decoder reads before handing the bytes to the model.
struct PpmdBlockHeader {
  bool valid = false;
  size_t memoryBytes = 0;
  int maxOrder = 0;
  int escape = 2;
  size_t length = 0;
};

PpmdBlockHeader parse_block_header(const Bytes& packed) {
  PpmdBlockHeader header;
  if (packed.size() < 3 || !(packed[0] & 0x80) || !(packed[0] & 0x20)) return header;
  const uint8_t flags = packed[0];
  header.memoryBytes = static_cast<size_t>(packed[1] + 1) << 20;
  header.length = 2;
  if (flags & 0x40) header.escape = packed[header.length++];
  int order = (flags & 0x1F) + 1;
  if (order > 16) order = 16 + (order - 16) * 3;
  header.maxOrder = order;
  header.valid = order > 1;
  return header;
}

struct Decoded {
  Bytes bytes;
  bool damaged = false;  // the model said -1
};

// Decodes a whole-file PPMd stream the way the LZ decoder does, with its escape
// commands (literal escape, end of file, match, run) done here.
Decoded decode_ppmd_entry(const PackedEntry& entry, size_t memoryBytes = 0) {
  Decoded out;
  const PpmdBlockHeader header = parse_block_header(entry.packed);
  if (!header.valid) return out;
  PpmdModel model;
  ByteVectorSource source(entry.packed, header.length);
  if (!model.restart(source, memoryBytes ? memoryBytes : header.memoryBytes, header.maxOrder)) {
    out.damaged = true;
    return out;
  }
  auto next = [&]() {
    const int c = model.decode_char();
    if (c < 0) out.damaged = true;
    return c;
  };
  auto copy = [&](size_t distance, size_t length) {
    for (size_t i = 0; i < length && out.bytes.size() < entry.unpackedSize; ++i) {
      out.bytes.push_back(distance <= out.bytes.size() ? out.bytes[out.bytes.size() - distance]
                                                       : 0);
    }
  };
  while (out.bytes.size() < entry.unpackedSize) {
    const int c = next();
    if (c < 0) break;
    if (c != header.escape) {
      out.bytes.push_back(static_cast<uint8_t>(c));
      continue;
    }
    const int command = next();
    if (command < 0 || command == 0 || command == 2 || command == 3) break;
    if (command == 4) {
      size_t distance = 0;
      for (int i = 0; i < 3; ++i) distance = distance << 8 | static_cast<uint8_t>(next());
      const int length = next();
      if (out.damaged) break;
      copy(distance + 2, static_cast<size_t>(length) + 32);
    } else if (command == 5) {
      const int length = next();
      if (out.damaged) break;
      copy(1, static_cast<size_t>(length) + 4);
    } else {
      out.bytes.push_back(static_cast<uint8_t>(header.escape));
    }
  }
  return out;
}

uint32_t crc_of(const Bytes& bytes) {
  return crc32_continue(0, bytes.data(), bytes.size());
}

TEST(RarPpmd, DecodesEveryPpmdEntryOfTheBestModeArchive) {
  const std::vector<PackedEntry> entries = rar4_entries("test_read_format_rar_compress_best.rar");
  int ppmdEntries = 0;
  for (const PackedEntry& entry : entries) {
    if (!parse_block_header(entry.packed).valid) continue;
    ++ppmdEntries;
    SCOPED_TRACE(entry.name);
    const Decoded decoded = decode_ppmd_entry(entry);
    EXPECT_FALSE(decoded.damaged);
    EXPECT_EQ(decoded.bytes.size(), entry.unpackedSize);
    EXPECT_EQ(crc_of(decoded.bytes), entry.crc);
  }
  EXPECT_EQ(ppmdEntries, 3);
}

}  // namespace
}  // namespace unrar
