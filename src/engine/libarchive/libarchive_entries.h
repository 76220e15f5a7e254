// The entry loop of the libarchive backend: every entry of an open archive written
// below the destination by us, never by libarchive, through the path-safety function,
// as a staged file that replaces an old one only when whole, with modes that carry no
// set-user-ID bits and links that stay inside the destination. It knows nothing of
// windows: what it asks and tells goes through EntryEvents.
#pragma once

#include <cstdint>
#include <string>

#include "engine/extraction_prompts.h"
#include "engine/libarchive/libarchive_reader.h"

namespace tessaly {

// Why an entry was passed over while the rest of the archive goes on.
enum class SkippedEntry {
  OutsideDestination,  // its path leads outside
  LinkOutside,         // a link whose target lies outside
  LinkSourceMissing,   // a hard link to a file that was not extracted
  LinkLoop,            // its path runs through links that lead back to each other
};

// How the loop ended.
enum class EntriesEnd {
  Done,               // every entry was read (some may have been passed over)
  Stopped,            // Cancel, or Cancel at the File Exists prompt
  BadData,            // a checksum that did not match, a damaged header or entry
  Damaged,            // an ISO image whose structure does not hold
  UnsupportedMethod,  // an entry packed with a method or filter libarchive lacks
  Encrypted7z,        // an encrypted 7z entry or header, which libarchive cannot read
  DiskFull,           // the disk took no more of the entry
  WriteFailed,        // an entry could not be written, and no later one could be either
};

class EntryEvents {
 public:
  virtual ~EntryEvents() = default;
  // The entry stored as storedName is to be written; the others are read past.
  virtual bool Wanted(const std::string& storedName) = 0;
  // An entry is about to be written, shown by its cleaned name.
  virtual void EntryStarted(const std::string& shownName) = 0;
  // Something that is not a folder is where the entry goes (path).
  virtual ExistingFile FileExists(const std::string& shownName, const std::string& path,
                                  const IncomingFile& incoming) = 0;
  virtual void Skipped(SkippedEntry why, const std::string& shownName) = 0;
  // Devices, pipes and sockets are not extracted: told once, at the end, with how
  // many there were and the first one's name.
  virtual void SpecialFilesSkipped(int64_t count, const std::string& firstName) = 0;
  // The entry's file, or a folder on its way, could not be made or written (error:
  // the system's reason); false when nothing later can be written either.
  virtual bool NotWritten(const std::string& shownName, int error) = 0;
  // Called after every block of data and every entry with the archive bytes read so
  // far; false stops the loop (Cancel).
  virtual bool Progress(uint64_t bytesRead) = 0;
};

struct EntriesResult {
  EntriesEnd end = EntriesEnd::Done;
  std::string entryName;  // the entry the loop ended on, as shown
  // Where that entry, damaged, was kept (keepBroken); "" when it was not.
  std::string keptPath;
  // The loop ended in that entry's data, not between entries.
  bool endedInEntry = false;
  int64_t extracted = 0;  // entries written
};

// Writes every entry of reader below destination ("" = the current folder, else
// ending in "/"). keepBroken: an entry whose data fails keeps what was written of it as
// "<path>.damaged" (archivekit::StagedFile::keep_damaged). threads: as
// archivekit::worker_count reads it; more than one writes files on a thread of their
// own while the next entries are read.
EntriesResult ExtractEntries(LibarchiveReader& reader, const std::string& destination,
                             bool keepBroken, int threads, EntryEvents& events);

}  // namespace tessaly
