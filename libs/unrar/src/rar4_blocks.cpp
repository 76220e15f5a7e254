#include "rar4_blocks.h"

#include <cstring>
#include <vector>

#include "archivekit/dos_time.h"

#include "archive_crc.h"
#include "rar4_names.h"

namespace unrar {
namespace {

constexpr size_t kCommonHeaderBytes = 7;
constexpr size_t kFileHeaderFixedBytes = 32;
constexpr size_t kMainHeaderBytes = 13;
constexpr uint16_t kLongBlock = 0x8000;

// File header flags.
constexpr uint16_t kFileSplitBefore = 0x0001;
constexpr uint16_t kFileSplitAfter = 0x0002;
constexpr uint16_t kFileEncrypted = 0x0004;
constexpr uint16_t kFileOldComment = 0x0008;
constexpr uint16_t kFileSolid = 0x0010;
constexpr uint16_t kFileDictionaryMask = 0x00E0;
constexpr uint16_t kFileLarge = 0x0100;
constexpr uint16_t kFileUnicode = 0x0200;
constexpr uint16_t kFileSalt = 0x0400;
constexpr uint16_t kFileExtTime = 0x1000;
constexpr uint16_t kMainOldComment = 0x0002;
constexpr uint16_t kEndNextVolume = 0x0001;

constexpr int kUnixHost = 3;
constexpr int kBeosHost = 5;

uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t saturating_add(uint64_t a, uint64_t b) {
  return a + b < a ? UINT64_MAX : a + b;
}

// The modification time's extra second and 100-ns fraction; the other times
// are skipped.
void read_extended_time(const uint8_t* p, const uint8_t* end, ArchiveEntry& entry) {
  if (end - p < 2) return;
  const unsigned flags = le16(p);
  p += 2;
  for (int group = 0; group < 4; ++group) {
    const unsigned bits = (flags >> ((3 - group) * 4)) & 0x0F;
    if (!(bits & 8)) continue;
    if (group != 0) {
      if (end - p < 4) return;
      p += 4;
    }
    const int count = static_cast<int>(bits & 3);
    if (end - p < count) return;
    uint32_t fraction = 0;
    for (int j = 0; j < count; ++j)
      fraction |= static_cast<uint32_t>(p[j]) << (8 * (j + 3 - count));
    p += count;
    if (group == 0) {
      if (bits & 4) ++entry.mtimeSeconds;
      entry.mtimeNanoseconds = fraction * 100;
    }
  }
}

// What the CRC of a block covers, or 0 when it cannot be checked generically.
size_t crc_covered_bytes(const std::vector<uint8_t>& header, uint8_t type, uint16_t flags,
                         size_t nameEnd) {
  if (type == 0x79 || type == 0x76) return 0;
  if (type == 0x77 && header.size() >= 13 && le16(&header[11]) == 0x0101) return 0;
  if (type == kRar4MainBlock && (flags & kMainOldComment)) return kMainHeaderBytes;
  if (type == kRar4FileBlock && (flags & kFileOldComment)) return nameEnd;
  return header.size();
}

BlockStatus parse_file_header(const std::vector<uint8_t>& h, uint16_t flags, bool service,
                              size_t& nameEnd, ArchiveEntry& entry) {
  if (h.size() < kFileHeaderFixedBytes) return BlockStatus::bad_header;
  const uint8_t* p = h.data();
  const uint8_t* end = p + h.size();
  entry.packSize = le32(p + 7);
  entry.unpackedSize = le32(p + 11);
  entry.hostOs = p[15];
  entry.crc32 = le32(p + 16);
  entry.dosTime = le32(p + 20);
  entry.unpackVersion = p[24];
  entry.method = p[25];
  const size_t nameSize = le16(p + 26);
  entry.attributes = le32(p + 28);
  size_t pos = kFileHeaderFixedBytes;
  bool highUnknown = true;
  if (flags & kFileLarge) {
    if (h.size() < pos + 8) return BlockStatus::bad_header;
    entry.packSize |= static_cast<uint64_t>(le32(p + pos)) << 32;
    highUnknown = le32(p + pos + 4) == 0xFFFFFFFF;
    entry.unpackedSize |= static_cast<uint64_t>(le32(p + pos + 4)) << 32;
    pos += 8;
  }
  entry.unknownSize = le32(p + 11) == 0xFFFFFFFF && highUnknown;
  if (nameSize == 0 || h.size() < pos + nameSize) return BlockStatus::bad_header;
  entry.name = decode_rar4_name(p + pos, nameSize, (flags & kFileUnicode) != 0, entry.codePageName);
  pos += nameSize;
  nameEnd = pos;
  // A service header keeps its own data between the name and the salt.
  if (service && (flags & kFileSalt) && h.size() >= pos + 8) pos = h.size() - 8;
  if (flags & kFileSalt) {
    if (h.size() < pos + 8) return BlockStatus::bad_header;
    std::array<uint8_t, 8> salt{};
    std::memcpy(salt.data(), p + pos, 8);
    entry.rar3Salt = salt;
    pos += 8;
  }
  entry.mtimeSeconds = archivekit::dos_time_to_unix(entry.dosTime);
  if ((flags & kFileExtTime) && !service) read_extended_time(p + pos, end, entry);

  entry.splitBefore = flags & kFileSplitBefore;
  entry.splitAfter = flags & kFileSplitAfter;
  entry.encrypted = flags & kFileEncrypted;
  entry.solid = flags & kFileSolid;
  entry.host =
      entry.hostOs == kUnixHost || entry.hostOs == kBeosHost ? HostKind::unix_like : HostKind::dos;
  const unsigned dictionaryBits = (flags & kFileDictionaryMask) >> 5;
  entry.directory = dictionaryBits == 7 || (entry.unpackVersion < 20 && (entry.attributes & 0x10));
  if (entry.host == HostKind::unix_like) {
    const uint32_t type = entry.attributes & 0xF000;
    if (type == 0x4000) entry.directory = true;
    if (type == 0xA000) entry.link = LinkKind::symlink;
  }
  entry.dictionarySize = entry.directory ? 0 : (uint64_t{64} << 10) << dictionaryBits;
  return BlockStatus::ok;
}

// The header bytes of a block, decrypted when keys are given; dataStart is where
// its data area begins.
BlockStatus read_header_bytes(VolumeFile& file, uint64_t offset, Rar4HeaderKeys* keys,
                              std::vector<uint8_t>& header, uint64_t& dataStart) {
  // Too few bytes for any block: padding or a cut-off end block, not damage.
  if (offset <= file.size() && file.size() - offset < kCommonHeaderBytes) {
    return BlockStatus::end_of_volume;
  }
  if (!keys) {
    uint8_t common[kCommonHeaderBytes];
    if (!file.read_exact(offset, common, sizeof common)) return BlockStatus::truncated;
    const size_t headSize = le16(common + 5);
    if (headSize < kCommonHeaderBytes) return BlockStatus::bad_header;
    header.resize(headSize);
    if (!file.read_exact(offset, header.data(), headSize)) return BlockStatus::truncated;
    dataStart = offset + headSize;
    return BlockStatus::ok;
  }
  uint8_t salt[8];
  uint8_t first[16];
  if (!file.read_exact(offset, salt, sizeof salt) ||
      !file.read_exact(offset + 8, first, sizeof first)) {
    return BlockStatus::truncated;
  }
  const Rar3Key key = keys->key_for(salt);
  AesCbcDecryptor cipher(key.key.data(), key.key.size(), key.iv);
  if (!cipher.decrypt(first, sizeof first)) return BlockStatus::bad_crc;
  const size_t headSize = le16(first + 5);
  if (headSize < kCommonHeaderBytes) return BlockStatus::bad_crc;
  const size_t padded = (headSize + 15) / 16 * 16;
  header.resize(padded);
  std::memcpy(header.data(), first, sizeof first);
  if (padded > sizeof first) {
    if (!file.read_exact(offset + 8 + sizeof first, header.data() + sizeof first,
                         padded - sizeof first)) {
      return BlockStatus::truncated;
    }
    if (!cipher.decrypt(header.data() + sizeof first, padded - sizeof first)) {
      return BlockStatus::bad_crc;
    }
  }
  header.resize(headSize);
  dataStart = offset + 8 + padded;
  return BlockStatus::ok;
}

}  // namespace

BlockStatus read_rar4_block(VolumeFile& file, uint64_t offset, Rar4HeaderKeys* keys,
                            size_t volumeIndex, Rar4Block& block) {
  std::vector<uint8_t> header;
  uint64_t dataStart = 0;
  const BlockStatus read = read_header_bytes(file, offset, keys, header, dataStart);
  if (read != BlockStatus::ok) return read;

  block = Rar4Block{};
  block.type = header[2];
  block.flags = le16(&header[3]);
  uint64_t dataSize = 0;
  size_t nameEnd = header.size();
  if (block.type == kRar4FileBlock || block.type == kRar4ServiceBlock) {
    const BlockStatus parsed = parse_file_header(
        header, block.flags, block.type == kRar4ServiceBlock, nameEnd, block.entry);
    // Under a wrong password the decrypted sizes are noise.
    if (parsed != BlockStatus::ok) return keys ? BlockStatus::bad_crc : parsed;
    dataSize = block.entry.packSize;
    block.entry.volumeIndex = volumeIndex;
    block.entry.dataOffset = dataStart;
  } else if ((block.flags & kLongBlock) || block.type == 0x77 || block.type == 0x78) {
    if (header.size() < 11) return BlockStatus::bad_header;
    dataSize = le32(&header[7]);
  }
  if (block.type == kRar4MainBlock && header.size() < kMainHeaderBytes) {
    return BlockStatus::bad_header;
  }
  if (block.type == kRar4MainBlock && (block.flags & kMainOldComment)) {
    block.oldComment.assign(header.begin() + kMainHeaderBytes, header.end());
  }
  if (block.type == kRar4EndBlock) block.moreVolumes = block.flags & kEndNextVolume;

  const size_t covered = crc_covered_bytes(header, block.type, block.flags, nameEnd);
  if (covered > 2) {
    const uint32_t crc = crc32_continue(0, header.data() + 2, covered - 2);
    if ((crc & 0xFFFF) != le16(header.data())) return BlockStatus::bad_crc;
  }
  block.next = saturating_add(dataStart, dataSize);
  return BlockStatus::ok;
}

}  // namespace unrar
