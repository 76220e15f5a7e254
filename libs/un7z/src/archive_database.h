// What a 7z archive's headers describe: the packed streams, the folders that decode
// them (coders joined by bind pairs), the substreams the folders' outputs split into,
// and the entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace un7z {

struct Coder {
  std::vector<uint8_t> id;  // method id, most significant byte first
  uint32_t inStreams = 1;   // packed side
  uint32_t outStreams = 1;  // unpacked side
  std::vector<uint8_t> properties;
};

// The coders' in-stream inIndex is fed by the out-stream outIndex.
struct BindPair {
  uint32_t inIndex = 0;
  uint32_t outIndex = 0;
};

struct Folder {
  std::vector<Coder> coders;
  std::vector<BindPair> bindPairs;
  std::vector<uint32_t> packedInStreams;  // the in-streams fed by packed streams, in order
  std::vector<uint64_t> unpackSizes;      // one per out-stream
  std::optional<uint32_t> crc;            // of the folder's whole output
  size_t firstPackStream = 0;             // its first packed stream in StreamsInfo::packSizes
  uint32_t substreams = 1;

  uint32_t total_in_streams() const;
  // The out-stream no bind pair consumes: the folder's output.
  std::optional<uint32_t> main_out_stream() const;
  uint64_t unpack_size() const;
  bool encrypted() const;
};

struct StreamsInfo {
  uint64_t packPos = 0;  // from the end of the signature header
  std::vector<uint64_t> packSizes;
  std::vector<Folder> folders;
  std::vector<uint64_t> substreamSizes;  // all folders' substreams in order
  std::vector<std::optional<uint32_t>> substreamCrcs;
};

struct FileTime {
  int64_t seconds = 0;  // since 1970, UTC
  uint32_t nanoseconds = 0;
};

struct SevenZipEntry {
  std::string name;  // UTF-8, "/" separated
  uint64_t size = 0;
  std::optional<uint32_t> crc;
  bool hasStream = false;
  bool directory = false;
  bool anti = false;
  std::optional<uint32_t> attributes;
  std::optional<FileTime> mtime, ctime, atime;
  size_t folder = 0;         // with a stream: its folder
  size_t indexInFolder = 0;  // and its substream there

  std::optional<uint32_t> unix_mode() const;
  bool symlink() const;
};

struct ArchiveDatabase {
  StreamsInfo streams;
  std::vector<SevenZipEntry> entries;
};

}  // namespace un7z
