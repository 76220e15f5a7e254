// Stored RAR archives for tests (or RAR 4 entries the test packed itself), in both
// formats: RAR 2.9-4.x (method 0x30) and RAR5 (method 0), plain or with AES-encrypted
// data and headers, single files or volume sets in the three naming schemes, with an
// optional self-extracting prefix.
// Written from the format alone with libcrypto, so it checks the library's reading
// independently of the library's own ciphers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tessaly::testing {

enum class RarFormat { Rar4, Rar5 };

// How the volumes of a set are named, from a base path "dir/set":
// OldStyle set.rar, set.r00, set.r01; PartN set.part1.rar, set.part2.rar;
// Numbered set.001, set.002.
enum class RarVolumeNaming { OldStyle, PartN, Numbered };

struct RarTestEntry {
  std::string name;  // "/" separated
  std::string data;
  bool folder = false;
  bool encrypted = false;  // the data is encrypted with the archive's password
  // Odd and hostile entries.
  uint32_t mode = 0;             // the Unix mode; 0: 0100644, or 040755 for a folder
  std::string linkTarget{};      // a symbolic link to this target (data is ignored);
                                 // with folder, a RAR5 Windows directory link
  bool wrongCrc = false;         // the recorded CRC-32 does not match the data
  uint8_t rar4Version = 29;      // the RAR 4 unpack version
  uint8_t rar4Method = 0x30;     // the RAR 4 method; the data is stored whatever it says
  uint64_t rar5Compression = 0;  // RAR5 compression information (0: stored, version 0)
  // RAR 4: bytes stored as they are instead of data, which is what they unpack to;
  // with encrypted they are already encrypted by one of the old ciphers.
  std::string packed{};
};

struct RarOptions {
  RarFormat format = RarFormat::Rar4;
  // For encrypted entries and headers. RAR4 passwords are limited to 28 characters
  // (longer ones need the old SHA-1 quirk, which the writer does not imitate).
  std::string password;
  bool encryptHeaders = false;  // every entry is then encrypted too
  std::string sfxPrefix;        // bytes before the signature of the first volume
  bool solid = false;           // RAR 4: the main header says solid
};

// A folder entry.
RarTestEntry RarFolder(const std::string& name);

// Writes one archive to path; a failure fails the test.
void WriteRar(const std::string& path, const std::vector<RarTestEntry>& entries,
              const RarOptions& options = {});

// Writes a volume set named from base, each volume holding at most volumeData bytes of
// packed data (entries are split across volumes where they do not fit). Returns the
// volume paths, first volume first.
std::vector<std::string> WriteRarVolumes(const std::string& base, RarVolumeNaming naming,
                                         size_t volumeData,
                                         const std::vector<RarTestEntry>& entries,
                                         const RarOptions& options = {});

}  // namespace tessaly::testing
