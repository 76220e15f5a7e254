// A reader of ARJ archive headers: enough to learn before the utility runs whether an
// archive holds garbled (password-protected) entries (the utility never asks for a
// password itself and skips such entries unless it is given one), how far its names
// climb with "..", and, after it ran, what size and CRC-32 each file it unpacked must
// have.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessaly {

// File types of a local header.
inline constexpr uint8_t kArjBinaryFile = 0;
inline constexpr uint8_t kArjTextFile = 1;
inline constexpr uint8_t kArjFolder = 3;
inline constexpr uint8_t kArjSpecialFile = 6;  // a link, device or pipe of a UNIX host

// Flags of a local header.
inline constexpr uint8_t kArjGarbled = 0x01;
inline constexpr uint8_t kArjContinuesInNextVolume = 0x04;
inline constexpr uint8_t kArjContinuedFromPreviousVolume = 0x08;

// One local header: an entry, or the part of a file that one volume holds.
struct ArjEntryHeader {
  std::string name;  // as stored
  uint8_t fileType = 0;
  uint8_t flags = 0;
  uint32_t size = 0;      // of this part, unpacked
  uint32_t crc = 0;       // CRC-32 of this part's unpacked bytes
  uint32_t position = 0;  // where this part begins in the file: 0 unless continued
  // The bytes of its extended headers, one after the other (a link keeps its target there).
  std::string extended;
};

struct ArjHeaders {
  std::vector<ArjEntryHeader> entries;  // of every volume, in archive order
  // The path of each volume whose main header was read, the archive's first.
  std::vector<std::string> volumes;
  // Every volume was found and read up to its end marker.
  bool complete = false;
};

// The local headers of the archive at path and of the volumes that follow it. The main
// header may follow a self-extractor's stub. A damaged header ends the reading (the
// utility then reports what is wrong).
ArjHeaders ReadArjHeaders(const std::string& path);

// The name the utility looks for after volume: the last two characters replaced by the
// next number (".arj", ".a01", ... ".a99", ".100"); with the alternate naming the three
// characters before the extension ("SET.ARJ", "S001.ARJ", ...).
std::string NextArjVolumeName(const std::string& volume, bool alternateNaming);

// True when the file at path holds an ARJ main header (perhaps behind a stub).
bool ArjMainHeaderFound(const std::string& path);

// True when a local header of the archive at path (its first volume only) marks its
// entry as garbled. A file with no readable main header has no garbled entry.
bool ArjArchiveHasGarbledEntry(const std::string& path);

// A file of the archive, joined from its parts in the volumes.
struct ArjStoredFile {
  struct Part {
    uint32_t position = 0;
    uint32_t size = 0;
    uint32_t crc = 0;
  };
  std::string name;
  std::vector<Part> parts;
  // The parts begin at 0, follow each other without gaps, and the last is not
  // continued: the size and CRC-32 of every byte are known.
  bool whole = false;
  uint64_t size() const;
};

// The binary and text files of headers, in archive order. A name may come more than
// once (chapters, files added again): each is a file of its own.
std::vector<ArjStoredFile> ArjStoredFiles(const ArjHeaders& headers);

}  // namespace tessaly
