// The archives read through libarchive: 7z, tar (plain or compressed), cpio, ISO 9660,
// CAB, LHA, XAR, ar (Debian packages), RPM packages and single compressed files.
// ZIP and RAR are left to our own libraries.
#pragma once

#include <sys/types.h>

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct archive;
struct archive_entry;

namespace tessaly {

// libarchive converts names (7z's UTF-16, LHA's code pages, Rock Ridge) to the
// charset of the calling thread's locale and fails under "C". While one of these
// lives, the thread converts to UTF-8 whatever the user's locale is; the rest of the
// program and other threads keep theirs.
class Utf8Names {
 public:
  Utf8Names();
  ~Utf8Names();
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t previous_ = nullptr;
};

// Why reading stopped short.
enum class ReadFailure {
  BadData,            // a checksum did not match, or a damaged header or entry
  Damaged,            // an ISO image whose structure does not hold
  UnsupportedMethod,  // a method or filter libarchive does not have
};

class DecompressedStream;

// One archive open for reading, closed when it goes. A compressed file is
// decompressed apart from its archive (gzip and xz by us), so that every checksum of the
// compression is checked to the end of the file, and it is a tar only when its first
// header's checksum is right.
class LibarchiveReader {
 public:
  // threads: 1 decodes a compressed archive on the caller's thread; otherwise it is
  // decoded on a thread of its own, and xz on that many threads (0: one per core).
  explicit LibarchiveReader(int threads = 0);
  ~LibarchiveReader();
  LibarchiveReader(const LibarchiveReader&) = delete;
  LibarchiveReader& operator=(const LibarchiveReader&) = delete;

  // Before Open: names not in Unicode (tar, cpio, LHA, CAB) are read in the code page
  // CodePageOfNames judges from the archive's first names, or in chosen when not "".
  // A compressed archive is judged by its first 16 MiB decompressed, which are kept
  // for reading and not decompressed again.
  void JudgeNames(std::string chosen) {
    judgeNames_ = true;
    chosenEncoding_ = std::move(chosen);
  }
  // What Open chose: "" when libarchive reads the names as it will.
  const std::string& name_encoding() const { return nameEncoding_; }
  // Opens path, and when it is the first volume of a split set (x.7z.001) every
  // volume after it. False when the file is none of the types above.
  bool Open(const std::string& path);
  // The same for an archive in memory (data must outlive the reader); name stands for
  // its file's name.
  bool OpenMemory(const void* data, size_t size, const std::string& name);

  // libarchive's calls, or our single entry for a single compressed file.
  int NextHeader(struct archive_entry** entry);
  int ReadBlock(const void** block, size_t* size, int64_t* offset);
  // Where the rest of the entry's data lies in the archive file, whole and as stored,
  // for copying from source_fd() rather than reading through libarchive: a regular
  // file of a plain tar, not sparse, whose first block (just read) is there. None
  // otherwise. A file cut short inside it fails SkipData.
  std::optional<int64_t> StoredRest(struct archive_entry* entry, const void* firstBlock,
                                    size_t size);
  int source_fd() const { return sourceFd_; }
  // Past the rest of the entry's data, unread.
  bool SkipData();
  ReadFailure failure() const;
  // An entry or header libarchive found encrypted.
  bool encrypted() const;
  // libarchive's name of the format ("POSIX ustar format", "7-Zip"), or of the
  // compression of a single compressed file ("gzip").
  std::string format_name() const;
  // A single compressed file: its one entry is named after the archive.
  bool single_file() const { return singleFile_; }
  // The entry's name as it is extracted: its stored path, or for a single compressed
  // file the archive's name less its compression extension ("x.txt.gz" gives "x.txt").
  std::string entry_name(struct archive_entry* entry) const;
  // The bytes of every volume together, and how many of them were read so far.
  uint64_t total_bytes() const { return totalBytes_; }
  uint64_t bytes_read() const;

 private:
  template <typename OpenArchive, typename MakeInput>
  bool OpenWith(OpenArchive open, MakeInput makeInput);
  // The compressed stream, decoded ahead unless one thread is asked for.
  template <typename OpenArchive, typename MakeInput>
  std::unique_ptr<DecompressedStream> Decompress(OpenArchive open, MakeInput makeInput);
  template <typename OpenArchive, typename MakeInput>
  std::unique_ptr<DecompressedStream> DecompressOnCaller(OpenArchive open, MakeInput makeInput);
  // The decompressed bytes: first what was looked at to choose the format.
  static ssize_t ReadDecompressed(struct archive* reader, void* self, const void** block);
  ssize_t NextDecompressed(const void** block);
  // libarchive fails without a word on an LHA name that is not valid in the locale's
  // charset and has no UTF-16 form: such names are DOS's Japanese code page.
  bool ReopenWithCp932Names();

  const int threads_;
  struct archive* archive_ = nullptr;
  std::function<int(struct archive*)> openPlain_;
  bool tar_ = false;
  bool cp932Names_ = false;
  int64_t headersRead_ = 0;
  std::unique_ptr<DecompressedStream> stream_;
  std::vector<uint8_t> head_;  // the decompressed bytes read before the format was chosen
  size_t headGiven_ = 0;
  bool streamFailed_ = false;
  int sourceFd_ = -1;
  struct archive_entry* singleEntry_ = nullptr;
  bool singleRead_ = false;
  int64_t singleOffset_ = 0;
  std::string path_;
  std::vector<std::string> volumes_;
  bool singleFile_ = false;
  uint64_t totalBytes_ = 0;
  bool judgeNames_ = false;
  std::string chosenEncoding_;
  std::string nameEncoding_;
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
