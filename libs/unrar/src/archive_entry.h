// One entry as the archive layer reports it, whatever the archive's version: the
// header fields the C API hands out and what extraction needs to find, decrypt,
// decode and check the entry's data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "rar5_headers.h"

namespace unrar {

enum class HostKind { dos, unix_like };

enum class LinkKind { none, symlink, hard_link, file_copy, unsupported };

struct ArchiveEntry {
  std::string name;  // UTF-8, "/" separators
  // A RAR 1.5-4 name stored in a code page: its bytes as stored; "" for the others.
  std::string codePageName;
  bool directory = false;
  bool splitBefore = false;
  bool splitAfter = false;
  bool encrypted = false;
  bool solid = false;     // continues the decoder state of the previous entry
  uint64_t packSize = 0;  // data bytes in this volume
  uint64_t unpackedSize = 0;
  bool unknownSize = false;
  int hostOs = 0;  // RAR 1.5-4 numbering: 2 Windows, 3 Unix
  HostKind host = HostKind::dos;
  uint32_t attributes = 0;
  std::optional<uint32_t> crc32;
  std::optional<std::array<uint8_t, 32>> blake2;
  uint32_t dosTime = 0;      // local time
  int64_t mtimeSeconds = 0;  // since 1970 UTC
  uint32_t mtimeNanoseconds = 0;
  int unpackVersion = 0;  // 13..36, or 50 for RAR5
  int method = 0x30;      // 0x30 stored .. 0x35
  uint64_t dictionarySize = 0;
  int rar5Algorithm = 0;
  // The key material of encrypted data.
  std::optional<std::array<uint8_t, 8>> rar3Salt;
  std::optional<Rar5FileEncryption> rar5Encryption;
  LinkKind link = LinkKind::none;
  std::string linkTarget;  // RAR5 links; RAR 1.5-4 links carry it as data
  // Where the data of this part lies.
  size_t volumeIndex = 0;
  uint64_t dataOffset = 0;

  bool stored() const { return method == 0x30; }
};

}  // namespace unrar
