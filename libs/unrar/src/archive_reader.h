// Walks the entries of an archive across its volumes: finds the archive in the
// file (also behind a self-extracting stub), reads the main header, skips service
// and unknown blocks, moves to the next volume at each end block, and follows an
// entry split across volumes to its continuation.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "archive_entry.h"
#include "archivekit/volume_file.h"
#include "rar4_blocks.h"
#include "unrar.h"

namespace unrar {

using archivekit::VolumeFile;

enum class ArchiveFormat { rar4, rar5 };

class ArchiveReader {
 public:
  // An ERAR_* code: ERAR_SUCCESS, ERAR_EOPEN, ERAR_UNKNOWN_FORMAT, ERAR_BAD_ARCHIVE.
  // Any volume of a set may be named; reading starts at the first one.
  int open(const std::string& path);
  // Needed before the first entry of an archive with encrypted headers.
  void set_password(const std::string& password);
  // Called with (NULL, 0) before each further volume is opened for the next part of
  // an entry; returning 0 stops next_part with ERAR_UNKNOWN.
  void set_volume_callback(PROCESSDATAPROC callback) { volumeCallback_ = callback; }

  // Names stored in a code page are read in encoding from the next entry on; without
  // one, in code page 437.
  void set_name_encoding(const std::string& encoding) { nameEncoding_ = encoding; }

  // The next entry: ERAR_SUCCESS, ERAR_END_ARCHIVE or why no entry could be read.
  int next_entry(ArchiveEntry& entry);
  // After a block whose header is damaged: moves to the next block of this volume
  // whose header checks out. ERAR_SUCCESS, ERAR_END_ARCHIVE when none is left, or
  // ERAR_BAD_ARCHIVE for encrypted headers, which cannot be checked byte by byte.
  int skip_damaged_block();
  // The archive comment: a "CMT" service block ahead of the first entry. The
  // reading position stays where it is.
  std::optional<ArchiveEntry> comment_entry();
  // The old-style comment block embedded in a RAR 1.5-2.x main header; empty if none.
  const std::vector<uint8_t>& old_comment() const { return oldComment_; }
  // The part of a split entry that continues in the next volume.
  int next_part(const ArchiveEntry& current, ArchiveEntry& part);

  ArchiveFormat format() const { return format_; }
  bool solid() const { return solid_; }
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
  // offset on, offset then past it. None at the volume's end or a damaged block, in a
  // solid archive, or with encrypted headers (their keys are the reader's alone).
  std::optional<ArchiveEntry> entry_ahead(uint64_t& offset);

 private:
  // cut_short: a RAR5 volume ends where a block would start, before its end block.
  enum class Step { entry, service, skip, volume_end, archive_end, cut_short };
  int open_volume(const std::string& path);
  int read_main_header(uint64_t offset);
  int read_block(ArchiveEntry& entry, Step& step);
  bool sound_block_at(uint64_t offset);
  int ensure_header_key();
  bool next_volume_exists() const;
  int switch_volume();

  std::shared_ptr<VolumeFile> file_;
  // Every volume opened so far: a set whose names lead back to one of them would
  // otherwise be read round and round.
  std::set<std::pair<uint64_t, uint64_t>> opened_;
  PROCESSDATAPROC volumeCallback_ = nullptr;
  size_t volumeIndex_ = 0;
  uint64_t position_ = 0;
  ArchiveFormat format_ = ArchiveFormat::rar4;
  bool isVolume_ = false;
  bool laterVolume_ = false;  // the volume opened is not the first of its set
  bool newNumbering_ = false;
  bool endBlockRead_ = false;  // the block read last ends the volume
  bool solid_ = false;
  bool finished_ = false;
  bool fileSeen_ = false;
  std::vector<uint8_t> oldComment_;
  std::string nameEncoding_;
  std::optional<std::string> password_;
  // RAR 1.5-4 encrypted headers.
  bool rar4EncryptedHeaders_ = false;
  std::unique_ptr<Rar4HeaderKeys> rar4Keys_;
  // RAR5 encrypted headers: the encryption block's parameters, then the key.
  std::optional<Rar5EncryptionHeader> rar5Encryption_;
  std::optional<Bytes32> rar5HeaderKey_;
};

}  // namespace unrar
