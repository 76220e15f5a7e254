// RAR5 archive blocks parsed from bytes: the block layout, the main, file, service,
// archive-encryption and end headers, and the extra records of file and service
// headers. No I/O: the caller reads the bytes (and decrypts them when headers are
// encrypted) and hands them over.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace unrar {

// "Rar!\x1a\x07\x01\x00": the blocks start right after it.
inline constexpr std::array<uint8_t, 8> kRar5Signature = {0x52, 0x61, 0x72, 0x21,
                                                          0x1A, 0x07, 0x01, 0x00};

enum class Rar5BlockType { main = 1, file = 2, service = 3, encryption = 4, end = 5, unknown };

// Flags common to every block (Rar5Block::flags).
inline constexpr uint64_t kRar5BlockHasExtra = 0x0001;
inline constexpr uint64_t kRar5BlockHasData = 0x0002;
inline constexpr uint64_t kRar5BlockSkipIfUnknown = 0x0004;
inline constexpr uint64_t kRar5BlockSplitBefore = 0x0008;
inline constexpr uint64_t kRar5BlockSplitAfter = 0x0010;
inline constexpr uint64_t kRar5BlockChild = 0x0020;

struct Rar5MainHeader {
  uint64_t archiveFlags = 0;
  bool volume = false;
  bool solid = false;
  bool recoveryRecord = false;
  bool locked = false;
  // 0-based; present on every volume but the first.
  std::optional<uint64_t> volumeNumber;
};

// A time as seconds since 1970-01-01 UTC plus nanoseconds (0 when the archive
// stored no finer part).
struct Rar5Time {
  int64_t unixSeconds = 0;
  uint32_t nanoseconds = 0;
};

// The AES-256 parameters of one entry's data (extra record 0x01).
struct Rar5FileEncryption {
  uint64_t version = 0;       // 0 is AES-256; anything else is unsupported
  bool macChecksums = false;  // CRC32 and BLAKE2sp are MACs under the hash key
  int lg2Count = 0;           // log2 of the PBKDF2 iterations, at most 24
  std::array<uint8_t, 16> salt{};
  std::array<uint8_t, 16> iv{};
  // Present only when stored, its own checksum matched, and it is not the
  // all-zero value old versions wrote into service headers.
  std::optional<std::array<uint8_t, 8>> passwordCheck;
};

enum class Rar5RedirectionType : uint64_t {
  unix_symlink = 1,
  windows_symlink = 2,
  windows_junction = 3,
  hard_link = 4,
  file_copy = 5,
};

// Extra record 0x05: the entry is a link or a copy of an earlier entry. type keeps
// the stored number; values outside the enum are links we do not know.
struct Rar5Redirection {
  uint64_t type = 0;
  bool targetIsDirectory = false;
  std::string target;  // UTF-8 as stored
};

struct Rar5UnixOwner {
  std::optional<std::string> userName;
  std::optional<std::string> groupName;
  std::optional<uint64_t> uid;
  std::optional<uint64_t> gid;
};

// A file header (type 2) or a service header (type 3, whose name says what it is:
// "CMT", "QO", "RR", "ACL", "STM").
struct Rar5FileHeader {
  uint64_t fileFlags = 0;
  std::string name;  // UTF-8, "/" separators; ";N" appended for a file version N
  bool directory = false;
  uint64_t unpackedSize = 0;
  bool unknownSize = false;
  uint64_t attributes = 0;
  uint64_t hostOs = 0;            // 0 Windows attributes, 1 Unix mode
  std::optional<uint32_t> mtime;  // the base header's Unix seconds
  std::optional<uint32_t> crc32;
  // Compression information.
  int compressionVersion = 0;   // 0 RAR 5.0, 1 RAR 7.0; others unsupported
  bool rar5Compatible = false;  // version 1 data that uses the version 0 algorithm
  bool solid = false;
  int method = 0;               // 0 stored, 1-5 compressed
  uint64_t dictionarySize = 0;  // 0 for directories and unknown versions
  // Split flags copied from the block's common flags.
  bool splitBefore = false;
  bool splitAfter = false;
  // Extra records.
  std::optional<Rar5FileEncryption> encryption;
  std::optional<std::array<uint8_t, 32>> blake2;
  std::optional<Rar5Time> modified;  // from the time record, finer than mtime
  std::optional<Rar5Time> created;
  std::optional<Rar5Time> accessed;
  std::optional<uint64_t> fileVersion;
  std::optional<Rar5Redirection> redirection;
  std::optional<Rar5UnixOwner> owner;
  std::vector<uint8_t> serviceData;  // record 0x07 (e.g. the stream name of "STM")

  // The decoder to use: the version 0 algorithm also for RAR5-compatible data.
  int algorithmVersion() const { return rar5Compatible ? 0 : compressionVersion; }
};

// Type 4, right after the signature when headers are encrypted.
struct Rar5EncryptionHeader {
  uint64_t version = 0;  // 0 is AES-256
  int lg2Count = 0;
  std::array<uint8_t, 16> salt{};
  // As for entries: only when stored with a matching checksum.
  std::optional<std::array<uint8_t, 8>> passwordCheck;
};

struct Rar5EndHeader {
  bool moreVolumes = false;  // not the last volume of its set
};

struct Rar5Block {
  Rar5BlockType type = Rar5BlockType::unknown;
  uint64_t rawType = 0;
  uint64_t headerSize = 0;  // HEAD_SIZE: from the type field to the header's end
  uint64_t dataSize = 0;    // bytes of the data area after the header
  uint64_t flags = 0;       // common flags (kRar5Block...)
  // Filled by type; the others keep their defaults.
  Rar5MainHeader main;
  Rar5FileHeader file;  // file and service headers
  Rar5EncryptionHeader encryption;
  Rar5EndHeader end;
};

enum class Rar5ParseResult {
  ok,
  need_more,   // the header runs past the bytes given
  bad_crc,     // the header's CRC32 does not match
  bad_header,  // malformed: bad vint, fields past the header, absurd sizes or names
};

// Parses the block whose header starts at data. On ok, headerBytes is the whole
// header (CRC, size vint and HEAD_SIZE bytes); the data area (block.dataSize bytes)
// follows it. On need_more, headerBytes is the number of bytes needed to go on:
// the whole header when its size could be read, else the most a size field takes.
// Never reads past data + available.
Rar5ParseResult parse_rar5_block(const uint8_t* data, size_t available, Rar5Block& block,
                                 size_t& headerBytes);

// Reads a vint at p and advances p; false when it runs past end or beyond 10 bytes.
bool read_vint(const uint8_t*& p, const uint8_t* end, uint64_t& value);

// Encrypted headers: every block after the type-4 header is a 16-byte IV, then the
// header (CRC to its end) encrypted with AES-256-CBC and zero-padded to a multiple
// of 16, then the block's data area.
inline constexpr size_t kRar5HeaderIvBytes = 16;
inline constexpr size_t kRar5AesBlockBytes = 16;

// size rounded up to whole AES blocks.
constexpr uint64_t rar5_padded_size(uint64_t size) {
  return (size + kRar5AesBlockBytes - 1) / kRar5AesBlockBytes * kRar5AesBlockBytes;
}

// From the first decrypted AES block of a header, the number of encrypted bytes
// that hold the whole header (the first block included, the IV not). False when
// the size field is malformed or the header impossibly large.
bool rar5_encrypted_header_bytes(const uint8_t firstBlock[16], size_t& encryptedBytes);

}  // namespace unrar
