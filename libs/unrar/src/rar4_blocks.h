// The blocks of a RAR 1.5-4 volume, read one at a time: the common header, its
// CRC, file and service headers turned into ArchiveEntry, end blocks, and headers
// encrypted with the archive password.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive_entry.h"
#include "archivekit/volume_file.h"
#include "rar_crypto.h"

namespace unrar {

using archivekit::VolumeFile;

inline constexpr uint8_t kRar4MainBlock = 0x73;
inline constexpr uint8_t kRar4FileBlock = 0x74;
inline constexpr uint8_t kRar4ServiceBlock = 0x7A;
inline constexpr uint8_t kRar4EndBlock = 0x7B;

// Main header flags.
inline constexpr uint16_t kRar4MainVolume = 0x0001;
inline constexpr uint16_t kRar4MainSolid = 0x0008;
inline constexpr uint16_t kRar4MainNewNumbering = 0x0010;
inline constexpr uint16_t kRar4MainEncryptedHeaders = 0x0080;
inline constexpr uint16_t kRar4MainFirstVolume = 0x0100;

struct Rar4Block {
  uint8_t type = 0;
  uint16_t flags = 0;
  uint64_t next = 0;                // where the following block starts
  ArchiveEntry entry;               // file and service blocks
  bool moreVolumes = false;         // end block: a further volume follows
  std::vector<uint8_t> oldComment;  // main header: its embedded comment block (RAR 1.5-2.x)
};

enum class BlockStatus {
  ok,
  end_of_volume,  // the volume ends where a block would start, or too soon after
                  // for any block to be there
  truncated,      // a header runs past the end of the volume
  bad_crc,        // damaged, or (for encrypted headers) the wrong password
  bad_header,     // impossible sizes
};

// Key and IV per salt for encrypted headers, each worked out once.
class Rar4HeaderKeys {
 public:
  explicit Rar4HeaderKeys(std::string password) : password_(std::move(password)) {}
  Rar3Key key_for(const uint8_t salt[8]) { return keys_.rar3_key(password_, salt); }

 private:
  std::string password_;
  KeyCache keys_;
};

// Reads the block at offset. keys: null for plain headers. volumeIndex is recorded
// in the entry of file and service blocks.
BlockStatus read_rar4_block(VolumeFile& file, uint64_t offset, Rar4HeaderKeys* keys,
                            size_t volumeIndex, Rar4Block& block);

}  // namespace unrar
