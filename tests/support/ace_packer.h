// The bytes of ACE archives, for the test writer, the decoder tests and the
// benchmark's input maker: checksums, main and file headers, Huffman tables sent the
// archiver's way, and ACE 1.0 LZ77 streams with real matches. No files, no cipher.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::testing {

// Register started at all ones and not inverted at the end.
uint32_t AceCrc32(std::string_view bytes);

struct AceMainHeaderFields {
  uint16_t flags = 0;  // 0x0800 volume set, 0x8000 solid
  uint8_t versionNeeded = 10;
  uint8_t volumeNumber = 0;
};

struct AceFileHeaderFields {
  uint16_t flags = 0x0001;
  uint32_t packedSize = 0;    // in this volume
  uint32_t originalSize = 0;  // of the whole entry
  uint32_t attributes = 0x20;
  uint32_t crc = 0xFFFFFFFFu;
  uint8_t type = 1;  // 0 stored, 1 LZ77, 2 blocked
  unsigned dictionaryBits = 15;
  std::string name;  // as stored, "\" separated
};

std::string AceMainHeader(const AceMainHeaderFields& fields);
// Ends with 4 zero bytes after the name, which Debian's unace 1.2b needs.
std::string AceFileHeader(const AceFileHeaderFields& fields);

// Fills 32-bit words from their most significant bit; words are stored little-endian.
class AceBitWriter {
 public:
  void put(uint32_t value, unsigned bits);
  // The decoder peeks past the last code, so one zero word follows.
  std::string finish();

 private:
  std::string bytes_;
  uint64_t pending_ = 0;
  unsigned count_ = 0;
};

struct AceCode {
  uint32_t bits = 0;
  uint8_t width = 0;
};

// Sends a table of code widths (at least one non-zero) and returns the code of each
// symbol as the decoder assigns it.
std::vector<AceCode> AceWriteTable(AceBitWriter& out, const std::vector<uint8_t>& widths);

// Packs data as an LZ77 stream in whole 32-bit words whose matches may also reach
// into history (the bytes of the earlier entries of a solid archive).
std::string AcePack(std::string_view data, std::string_view history, unsigned dictionaryBits);

}  // namespace tessaly::testing
