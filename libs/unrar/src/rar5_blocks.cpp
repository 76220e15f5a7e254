#include "rar5_blocks.h"

#include <ctime>
#include <vector>

namespace unrar {
namespace {

constexpr size_t kFirstRead = 64;
// CRC32, size, type and flags: the smallest block there is.
constexpr uint64_t kSmallestBlock = 7;
constexpr int kRar5UnixHost = 1;
constexpr int kRar4WindowsHost = 2;
constexpr int kRar4UnixHost = 3;

uint32_t unix_to_dos_time(int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (!localtime_r(&time, &local) || local.tm_year < 80) return (1u << 21) | (1u << 16);
  return static_cast<uint32_t>(((local.tm_year - 80) << 25) | ((local.tm_mon + 1) << 21) |
                               (local.tm_mday << 16) | (local.tm_hour << 11) | (local.tm_min << 5) |
                               (local.tm_sec / 2));
}

LinkKind link_kind(const Rar5Redirection& redirection) {
  switch (redirection.type) {
    case static_cast<uint64_t>(Rar5RedirectionType::unix_symlink):
    case static_cast<uint64_t>(Rar5RedirectionType::windows_symlink):
      return LinkKind::symlink;
    case static_cast<uint64_t>(Rar5RedirectionType::hard_link):
      return LinkKind::hard_link;
    case static_cast<uint64_t>(Rar5RedirectionType::file_copy):
      return LinkKind::file_copy;
    default:
      return LinkKind::unsupported;
  }
}

ArchiveEntry to_entry(const Rar5FileHeader& file, uint64_t dataSize, size_t volumeIndex,
                      uint64_t dataOffset) {
  ArchiveEntry entry;
  entry.name = file.name;
  entry.directory = file.directory;
  entry.splitBefore = file.splitBefore;
  entry.splitAfter = file.splitAfter;
  entry.encrypted = file.encryption.has_value();
  entry.solid = file.solid;
  entry.packSize = dataSize;
  entry.unpackedSize = file.unpackedSize;
  entry.unknownSize = file.unknownSize;
  entry.hostOs = file.hostOs == kRar5UnixHost ? kRar4UnixHost : kRar4WindowsHost;
  entry.host = file.hostOs == kRar5UnixHost ? HostKind::unix_like : HostKind::dos;
  entry.attributes = static_cast<uint32_t>(file.attributes);
  entry.crc32 = file.crc32;
  entry.blake2 = file.blake2;
  if (file.modified) {
    entry.mtimeSeconds = file.modified->unixSeconds;
    entry.mtimeNanoseconds = file.modified->nanoseconds;
  } else if (file.mtime) {
    entry.mtimeSeconds = *file.mtime;
  }
  entry.dosTime = unix_to_dos_time(entry.mtimeSeconds);
  entry.unpackVersion = 50;
  entry.method = 0x30 + file.method;
  entry.dictionarySize = file.dictionarySize;
  entry.rar5Algorithm = file.algorithmVersion();
  entry.rar5Encryption = file.encryption;
  if (file.redirection) {
    entry.link = link_kind(*file.redirection);
    entry.linkTarget = file.redirection->target;
  }
  entry.volumeIndex = volumeIndex;
  entry.dataOffset = dataOffset;
  return entry;
}

BlockStatus parse_status(Rar5ParseResult result) {
  switch (result) {
    case Rar5ParseResult::ok:
      return BlockStatus::ok;
    case Rar5ParseResult::need_more:
      return BlockStatus::truncated;
    case Rar5ParseResult::bad_crc:
      return BlockStatus::bad_crc;
    case Rar5ParseResult::bad_header:
      return BlockStatus::bad_header;
  }
  return BlockStatus::bad_header;
}

BlockStatus read_plain(VolumeFile& file, uint64_t offset, Rar5ReadBlock& out, uint64_t& dataStart) {
  std::vector<uint8_t> bytes(kFirstRead);
  bytes.resize(file.read_some(offset, bytes.data(), bytes.size()));
  size_t headerBytes = 0;
  Rar5ParseResult result = parse_rar5_block(bytes.data(), bytes.size(), out.block, headerBytes);
  if (result == Rar5ParseResult::need_more && headerBytes > bytes.size()) {
    if (offset + headerBytes > file.size()) return BlockStatus::truncated;
    bytes.resize(headerBytes);
    if (!file.read_exact(offset, bytes.data(), bytes.size())) return BlockStatus::truncated;
    result = parse_rar5_block(bytes.data(), bytes.size(), out.block, headerBytes);
  }
  if (result != Rar5ParseResult::ok) return parse_status(result);
  dataStart = offset + headerBytes;
  return BlockStatus::ok;
}

// Under a wrong key every damage below is noise: it reads as a failed CRC.
BlockStatus read_encrypted(VolumeFile& file, uint64_t offset, const Bytes32& key,
                           Rar5ReadBlock& out, uint64_t& dataStart) {
  Bytes16 iv{};
  uint8_t first[kRar5AesBlockBytes];
  if (!file.read_exact(offset, iv.data(), iv.size()) ||
      !file.read_exact(offset + kRar5HeaderIvBytes, first, sizeof first)) {
    return BlockStatus::truncated;
  }
  AesCbcDecryptor cipher(key.data(), key.size(), iv);
  if (!cipher.decrypt(first, sizeof first)) return BlockStatus::bad_crc;
  size_t encryptedBytes = 0;
  if (!rar5_encrypted_header_bytes(first, encryptedBytes)) return BlockStatus::bad_crc;
  if (offset + kRar5HeaderIvBytes + encryptedBytes > file.size()) return BlockStatus::truncated;
  std::vector<uint8_t> bytes(encryptedBytes);
  std::copy(first, first + sizeof first, bytes.begin());
  if (encryptedBytes > sizeof first) {
    if (!file.read_exact(offset + kRar5HeaderIvBytes + sizeof first, bytes.data() + sizeof first,
                         encryptedBytes - sizeof first) ||
        !cipher.decrypt(bytes.data() + sizeof first, encryptedBytes - sizeof first)) {
      return BlockStatus::truncated;
    }
  }
  size_t headerBytes = 0;
  const Rar5ParseResult result =
      parse_rar5_block(bytes.data(), bytes.size(), out.block, headerBytes);
  if (result != Rar5ParseResult::ok) return BlockStatus::bad_crc;
  dataStart = offset + kRar5HeaderIvBytes + encryptedBytes;
  return BlockStatus::ok;
}

}  // namespace

BlockStatus read_rar5_block(VolumeFile& file, uint64_t offset, const Bytes32* headerKey,
                            size_t volumeIndex, Rar5ReadBlock& out) {
  // Too few bytes for any block: padding or a cut-off end block, not damage.
  if (offset <= file.size() && file.size() - offset < kSmallestBlock) {
    return BlockStatus::end_of_volume;
  }
  out = Rar5ReadBlock{};
  uint64_t dataStart = 0;
  const BlockStatus status = headerKey ? read_encrypted(file, offset, *headerKey, out, dataStart)
                                       : read_plain(file, offset, out, dataStart);
  if (status != BlockStatus::ok) return status;
  const uint64_t dataSize = out.block.dataSize;
  out.next = dataStart + dataSize < dataStart ? UINT64_MAX : dataStart + dataSize;
  if (out.block.type == Rar5BlockType::file || out.block.type == Rar5BlockType::service) {
    out.entry = to_entry(out.block.file, dataSize, volumeIndex, dataStart);
  }
  return BlockStatus::ok;
}

bool rar5_header_key(const Rar5EncryptionHeader& header, const std::string& password,
                     Bytes32& key) {
  Rar5Keys keys{};
  if (header.version != 0 ||
      !derive_rar5_keys(password, header.salt.data(), header.lg2Count, keys)) {
    return false;
  }
  if (header.passwordCheck && *header.passwordCheck != keys.passwordCheck) return false;
  key = keys.key;
  return true;
}

}  // namespace unrar
