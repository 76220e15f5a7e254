// The archive layer: finds the ZIP inside a file, describes its entries and hands
// out each entry's decrypted, decompressed bytes. Knows nothing of output files,
// names on disk, chunks or callbacks; the call flow (wiz_*.cpp) builds on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace unzip {

enum class OpenStatus {
  Ok,
  NotFound,     // no such file
  IsFolder,     // the path names a folder
  NoEndRecord,  // not a ZIP (no end of central directory record)
  MultiDisk,    // last part of a split set whose other parts are missing or unreadable
  Damaged,      // end record found but the central directory is unusable
};

struct OpenResult {
  OpenStatus status = OpenStatus::Ok;
  // Bytes in front of the archive whose offsets were not adjusted (a stub); 0 otherwise.
  uint64_t prefix_bytes = 0;
  // A zip64 end record was found only after correcting for the prefix.
  bool zip64_end_moved = false;
  bool empty = false;         // central directory holds no entry
  std::string system_error;   // strerror text where the file could not be read
  std::string name_encoding;  // the code page of the names not in Unicode ("CP866")
};

struct EntryInfo {
  uint64_t index = 0;        // position in the central directory
  std::string name;          // UTF-8 (bit 11, Unicode Path, UTF-8 bytes or the code page); "\" kept
  uint16_t method = 0;       // method field as stored (99 for AES)
  uint16_t real_method = 0;  // the compression method (the AES inner method for 99)
  uint16_t flags = 0;        // general-purpose bits
  uint8_t host_system = 0;   // version made by, high byte (0 = FAT)
  uint16_t version_needed = 0;
  uint64_t compressed_size = 0;  // as stored, including encryption overhead
  uint64_t uncompressed_size = 0;
  uint32_t crc = 0;                       // central directory CRC field (0 for AE-2)
  bool encrypted = false;                 // bit 0
  int aes_strength = 0;                   // 0 none, 1/2/3 = AES-128/192/256
  int aes_version = 0;                    // 1 = AE-1, 2 = AE-2
  uint32_t dos_datetime = 0;              // DOS date (high 16 bits) and time (low 16 bits)
  std::optional<std::time_t> unix_mtime;  // from the UT / Unix extra fields
  uint32_t external_attributes = 0;
  uint64_t local_offset = 0;  // of the local header, counted from the archive's start
  bool is_symlink = false;    // Unix host with a link mode in the external attributes
  std::string comment;        // UTF-8: kept when the bytes are valid UTF-8, else code page 437
  bool is_folder() const { return !name.empty() && name.back() == '/'; }
};

// What the archive layer can say about one entry's data.
enum class ReadStatus {
  Ok,
  WrongPassword,  // the check byte / verification value does not match
  Unsupported,    // a method this layer cannot decode
  InvalidData,    // the compressed stream is damaged
  NoMemory,
  ReadError,  // the archive could not be read (truncated, I/O error)
  BadCrc,     // all bytes delivered, but the CRC-32 or the AES MAC does not match
};

class EntryReader {
 public:
  virtual ~EntryReader() = default;
  // Reads up to size decoded bytes; returns the count (0 at the end) or -1 on failure,
  // after which status() tells why.
  virtual long long read(unsigned char* buffer, std::size_t size) = 0;
  // After the last read: Ok, or BadCrc with the two values for the message, or
  // InvalidData when the data ended short of the announced size. For AES entries
  // the authentication code is checked first: when it fails, the data may have
  // ended early (read() returned 0 where the stream broke) and finish() says BadCrc
  // (computed CRC against the CRC field, 0 for AE-2).
  virtual ReadStatus finish() = 0;
  virtual ReadStatus status() const = 0;
  virtual uint32_t computed_crc() const = 0;
  virtual uint32_t expected_crc() const = 0;
};

// open_entry, password_matches and the readers open_entry returns may be used from
// several threads at once; everything else from one thread at a time.
class ZipArchive {
 public:
  virtual ~ZipArchive() = default;
  // Names not in Unicode are read in name_encoding, or ("") in the one judged from them.
  static std::unique_ptr<ZipArchive> open(const std::string& path, OpenResult& result,
                                          const std::string& name_encoding = "");

  virtual const std::vector<EntryInfo>& entries() const = 0;
  virtual const std::string& comment() const = 0;  // same encoding rule as EntryInfo::comment
  // True when this layer can decode the entry's method (and its encryption).
  virtual bool can_decode(const EntryInfo& entry) const = 0;
  // Tests a password against the entry's check value without decoding anything:
  // the ZipCrypto check byte (1 in 256 wrong passwords pass) or the AES verifier
  // (1 in 65536). True for entries that are not encrypted; false for ciphers this
  // layer does not know and when the entry cannot be read.
  virtual bool password_matches(const EntryInfo& entry, const std::string& password) = 0;
  // True when the entry's stored bytes (local header and data) share a byte with
  // another entry's: a directory whose records point into each other's data makes a
  // small archive write the same bytes many times over.
  virtual bool overlaps_another(const EntryInfo& entry) = 0;
  // Opens the entry's data; password is ignored for entries that are not encrypted.
  // On failure returns nullptr and sets status.
  virtual std::unique_ptr<EntryReader> open_entry(const EntryInfo& entry,
                                                  const std::string& password,
                                                  ReadStatus& status) = 0;
};

}  // namespace unzip
