// The archive's blocks: the 4-byte prefix (CRC-16, size) and the bodies of the
// main and file headers, read from bytes already in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace unace {

enum AceHeaderType : uint8_t { kMainHeader = 0, kFileHeader32 = 1, kFileHeader64 = 3 };

// Bytes before the body: CRC-16 and the body's size.
constexpr size_t kBlockPrefixSize = 4;
constexpr uint8_t kSignature[7] = {'*', '*', 'A', 'C', 'E', '*', '*'};
constexpr size_t kSignatureOffset = 3;  // in the main header's body

struct MainHeader {
  uint16_t flags = 0;
  uint8_t versionToExtract = 0;
  uint8_t host = 0;
  uint8_t volumeNumber = 0;
  bool solid() const { return flags & 0x8000; }
  bool multiVolume() const { return flags & 0x0800; }
  // The volume ends with a recovery record, after its last entry.
  bool recoveryRecord() const { return flags & 0x2000; }
};

struct FileHeader {
  uint16_t flags = 0;
  uint64_t packSize = 0;  // of this part
  uint64_t unpackedSize = 0;
  uint32_t dosTime = 0;
  uint32_t attributes = 0;
  uint32_t crc32 = 0;
  uint8_t type = 0;  // 0 stored, 1 ACE 1.0 LZ77, 2 ACE 2.0 blocked
  unsigned dictionaryBits = 10;
  std::string name;  // UTF-8, "/" separated
  // A name stored in a code page (not UTF-8): its bytes as stored; "" otherwise.
  std::string codePageName;

  bool splitBefore() const { return flags & 0x1000; }
  bool splitAfter() const { return flags & 0x2000; }
  bool encrypted() const { return flags & 0x4000; }
  bool solid() const { return flags & 0x8000; }
  bool directory() const { return attributes & 0x10; }
};

uint16_t read_le16(const uint8_t* p);
uint32_t read_le32(const uint8_t* p);
uint64_t read_le64(const uint8_t* p);

// The body's CRC-16 matches the prefix's.
bool block_crc_matches(uint16_t storedCrc, const uint8_t* body, size_t size);

// Null when the body is too short or lacks the signature.
std::optional<MainHeader> parse_main_header(const uint8_t* body, size_t size);
// Null when the body is too short for its fields or its flags contradict its type.
std::optional<FileHeader> parse_file_header(const uint8_t* body, size_t size);
// The bytes of unstructured data that follow a block of another type (recovery
// records and unknown blocks); null when the body cannot say.
std::optional<uint64_t> trailing_data_size(const uint8_t* body, size_t size);

// Bytes of a name stored in a code page, read in encoding, "/" separated.
std::string read_code_page_name(const std::string& codePageName, const std::string& encoding);

}  // namespace unace
