// The blocks of a RAR5 volume read from the file (decrypting encrypted headers)
// and turned into ArchiveEntry.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archive_entry.h"
#include "archivekit/volume_file.h"
#include "rar4_blocks.h"
#include "rar5_headers.h"
#include "rar_crypto.h"

namespace unrar {

using archivekit::VolumeFile;

struct Rar5ReadBlock {
  Rar5Block block;
  uint64_t next = 0;
  ArchiveEntry entry;  // file and service blocks
};

// Reads the block at offset; headerKey: the AES-256 key of encrypted headers, or
// null for plain ones.
BlockStatus read_rar5_block(VolumeFile& file, uint64_t offset, const Bytes32* headerKey,
                            size_t volumeIndex, Rar5ReadBlock& out);

// The header key from the encryption header and the password; false when the
// password's check value says it is wrong (or the parameters are unusable).
bool rar5_header_key(const Rar5EncryptionHeader& header, const std::string& password, Bytes32& key);

}  // namespace unrar
