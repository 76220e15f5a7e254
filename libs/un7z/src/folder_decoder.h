// A folder's output as one stream: its coders built from the method table and
// joined as its bind pairs say, reading its packed streams from the archive.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "aes_coder.h"
#include "archive_database.h"
#include "archive_file.h"
#include "archivekit/byte_stream.h"

namespace un7z {

using archivekit::ByteStream;

struct FolderSource {
  const ArchiveFile& archive;
  const StreamsInfo& streams;
  uint64_t packBase;  // where packed stream 0 starts in the archive
  AesKeys& keys;
  // 0 and the password, or UN7Z_MISSING_PASSWORD.
  std::function<int(std::string&)> password;
};

// 0 and the stream, or UN7Z_UNSUPPORTED (a method we do not decode), UN7Z_BAD_ARCHIVE
// (coders that do not fit together), UN7Z_MISSING_PASSWORD, UN7Z_NO_MEMORY.
int open_folder(const FolderSource& source, size_t folderIndex, std::unique_ptr<ByteStream>& out);

// The folder's coders by name, as 7-Zip lists them (the reverse of the stored order):
// "BCJ LZMA2", "LZMA2 7zAES".
std::string method_names(const Folder& folder);

}  // namespace un7z
