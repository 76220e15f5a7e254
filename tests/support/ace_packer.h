// The bytes of ACE archives, for the test writer and the benchmark's input maker:
// checksums, main and file headers, and packed streams (ACE 1.0 LZ77 with real
// matches, optionally with the ACE 2.0 DELTA or EXE mode). No files, no cipher.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

enum class AceTransform { None, Delta, Exe32, Exe16 };

struct AcePackedStream {
  std::string packed;      // whole 32-bit words
  std::string dictionary;  // the bytes the decoder's dictionary receives
};

// Packs data as an LZ77 stream whose matches may also reach into history (the
// dictionary of the earlier entries of a solid archive). With a transform the
// stream switches mode first, which needs compression type 2.
AcePackedStream AcePack(std::string_view data, AceTransform transform, std::string_view history,
                        unsigned dictionaryBits);

}  // namespace tessaly::testing
