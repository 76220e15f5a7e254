// Opens a 7z archive (also one inside a self-extracting file): the signature header, the end header
// (packed and possibly encrypted ones decoded through the folder they describe), and hands out its
// entries in order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive_database.h"
#include "archive_file.h"
#include "folder_decoder.h"
#include "header_bytes.h"
#include "passwords.h"

namespace un7z {

class ArchiveReader {
 public:
  // 0 or a UN7Z_* code.
  int open(const std::string& path);
  // 0 and the next entry, or UN7Z_END_ARCHIVE.
  int next_entry(SevenZipEntry& entry);
  // The next entry is the first again; the headers are not read again.
  void rewind() { next_ = 0; }

  const ArchiveFile& file() const { return file_; }
  const StreamsInfo& streams() const { return database_.streams; }
  Passwords& passwords() { return passwords_; }
  FolderSource folder_source();
  // The size of a folder's substream.
  uint64_t substream_size(size_t folder, size_t index) const;

 private:
  uint64_t find_embedded_archive() const;
  int read_header(std::vector<uint8_t> header);
  // The decoded header an encoded one describes.
  int decode_header(HeaderBytes& in, std::vector<uint8_t>& decoded);

  ArchiveFile file_;
  uint64_t archiveStart_ = 0;  // after the program of a self-extracting file
  ArchiveDatabase database_;
  std::vector<size_t> firstSubstream_;  // per folder
  Passwords passwords_;
  size_t next_ = 0;
};

}  // namespace un7z
