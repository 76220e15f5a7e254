// Walks the entries of an archive: finds the main header (also behind a
// self-extracting stub), skips recovery records and unknown blocks, and moves on
// to the next volume of a set (name.c00, name.c01 ...) where an entry continues
// or, when following the set, where a volume ends.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ace_headers.h"
#include "archivekit/volume_file.h"

namespace unace {

using archivekit::VolumeFile;

struct AceEntry : FileHeader {
  uint64_t dataOffset = 0;  // of this part, in its volume
  size_t volumeIndex = 0;   // counts the volumes the reader has opened
};

class ArchiveReader {
 public:
  // An ACE_OPEN_* code. followVolumes: start at the first volume of a set and, at
  // the end of a volume, go on with the entries of the next one (a listing reads
  // the volume it was given, and only that one).
  int open(const std::string& path, bool followVolumes);
  // Names stored in a code page are read in encoding from the next entry on; without
  // one, in code page 437.
  void set_name_encoding(const std::string& encoding) { nameEncoding_ = encoding; }

  // The next entry: ACE_SUCCESS, ACE_END_ARCHIVE or ACE_BAD_HEADER (also for a volume
  // cut short: one that ends inside the previous entry's data or before the recovery
  // record its main header announces).
  int next_entry(AceEntry& entry);
  // The part of a split entry that continues in the next volume: ACE_SUCCESS,
  // ACE_VOLUME_MISSING, ACE_BAD_HEADER or ACE_BAD_DATA (no matching part there).
  int next_part(const AceEntry& current, AceEntry& part);

  // The largest dictionary the entries of the current volume ask for (headers
  // only; the reading position does not move).
  unsigned largest_dictionary_bits();

  bool solid() const { return main_.solid(); }
  const MainHeader& main_header() const { return main_; }
  const std::string& volume_path() const { return file_->path(); }
  // The volume an entry part lives in; null once the reader has moved past it.
  VolumeFile* volume(size_t index) { return index == volumeIndex_ ? file_.get() : nullptr; }
  // The same, for a reader on another thread: it stays open while held.
  std::shared_ptr<const VolumeFile> shared_volume(size_t index) const {
    return index == volumeIndex_ ? file_ : nullptr;
  }
  size_t volume_index() const { return volumeIndex_; }
  // Where the block after the one read last starts in this volume.
  uint64_t position() const { return position_; }
  // Reads ahead without moving: the next file entry of this volume from the block at
  // offset on, offset then past it. None at the volume's end or a damaged block, and
  // in a solid archive.
  std::optional<AceEntry> entry_ahead(uint64_t& offset);

 private:
  void open_first_volume();
  int read_entry_in_volume(AceEntry& entry);
  int switch_volume();

  std::shared_ptr<VolumeFile> file_;
  MainHeader main_;
  size_t volumeIndex_ = 0;
  uint64_t position_ = 0;
  uint64_t firstBlock_ = 0;  // of the current volume, after its main header
  bool followVolumes_ = false;
  bool recoveryRecordSeen_ = false;  // in the current volume
  std::string nameEncoding_;
};

// The file name of volume number (1 = the first continuation, name.c00) of the
// set whose volume is at path; upperCase picks "C" over "c".
std::string volume_name(const std::string& path, unsigned number, bool upperCase);

}  // namespace unace
