// The archives read through libarchive: 7z, tar (plain or compressed), cpio, ISO 9660,
// CAB, LHA, XAR, ar (Debian packages), RPM packages and single compressed files.
// ZIP and RAR are left to our own libraries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct archive;
struct archive_entry;

namespace tessaly {

// One archive open for reading, closed when it goes.
class LibarchiveReader {
 public:
  LibarchiveReader() = default;
  ~LibarchiveReader();
  LibarchiveReader(const LibarchiveReader&) = delete;
  LibarchiveReader& operator=(const LibarchiveReader&) = delete;

  // Opens path, and when it is the first volume of a split set (x.7z.001) every
  // volume after it. False when the file is none of the types above.
  bool Open(const std::string& path);
  // The same for an archive in memory (data must outlive the reader); name stands for
  // its file's name.
  bool OpenMemory(const void* data, size_t size, const std::string& name);

  struct archive* handle() const {
    return archive_;
  }
  // A single compressed file: its one entry is named after the archive.
  bool single_file() const { return singleFile_; }
  // The entry's name as it is extracted: its stored path, or for a single compressed
  // file the archive's name less its compression extension ("x.txt.gz" gives "x.txt").
  std::string entry_name(struct archive_entry* entry) const;
  // The bytes of every volume together, and how many of them were read so far.
  uint64_t total_bytes() const { return totalBytes_; }
  uint64_t bytes_read() const;

 private:
  template <typename OpenArchive>
  bool OpenWith(OpenArchive open);

  struct archive* archive_ = nullptr;
  std::string path_;
  std::vector<std::string> volumes_;
  bool singleFile_ = false;
  uint64_t totalBytes_ = 0;
};

// The volumes of the set path begins: path alone, or for "x.001" every "x.002",
// "x.003" ... that follows without a gap.
std::vector<std::string> LibarchiveVolumes(const std::string& path);

// The text in UTF-8 where libarchive has it so, else as stored ("" for none).
std::string Utf8OrStored(const char* utf8, const char* stored);

// libarchive's name of the archive's format after its first header has been read
// ("POSIX ustar format", "7-Zip"), or of its compression for a single compressed file
// ("gzip"); "" when the file is none of the types above.
std::string LibarchiveFormatName(const std::string& path);

}  // namespace tessaly
