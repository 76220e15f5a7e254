#include "engine/libarchive/libarchive_entries.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "archivekit/entry_output.h"
#include "archivekit/extracted_folders.h"
#include "archivekit/held_destination.h"
#include "archivekit/staged_file.h"
#include "engine/entry_target.h"
#include "safe_path.h"

namespace tessaly {

namespace {

// What an extracted folder gets once nothing more is written into it.
struct FolderRecord {
  mode_t mode = 0;  // 0: the mode it was made with
  std::optional<timespec> modified;
};

void FinishFolder(const std::string& path, const FolderRecord& folder) {
  if (folder.modified) {
    const timespec times[2] = {{0, UTIME_OMIT}, *folder.modified};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
  }
  if (folder.mode != 0) chmod(path.c_str(), folder.mode);
}

std::optional<timespec> ModifiedTime(struct archive_entry* entry) {
  if (!archive_entry_mtime_is_set(entry)) return std::nullopt;
  return timespec{archive_entry_mtime(entry), archive_entry_mtime_nsec(entry)};
}

// The recorded permissions as they may be given here; 0 when the archive keeps none.
mode_t RecordedMode(struct archive_entry* entry) {
  const mode_t recorded = archive_entry_perm(entry);
  return recorded == 0 ? 0 : archivekit::permitted_mode(recorded);
}

constexpr mode_t kNewFileMode = 0666;

enum class Placement { Write, Keep, Stop };

// A file entry's place found from the held destination: its folder open, reached
// through no link, and what is at its name there now.
struct HeldSpot {
  archivekit::EntryFolder folder;
  std::string folderPath;  // the folder's path, "" or ending in "/"
  std::string leaf;        // the entry's name inside it
  bool occupied = false;   // a file is there: writing replaces it
};

class EntryLoop {
 public:
  EntryLoop(LibarchiveReader& reader, const std::string& destination, bool keepBroken,
            EntryEvents& events)
      : reader_(reader),
        destination_(destination),
        held_(destination),
        keepBroken_(keepBroken),
        events_(events) {}

  EntriesResult Run() {
    for (;;) {
      struct archive_entry* entry = nullptr;
      const int read = reader_.NextHeader(&entry);
      if (read == ARCHIVE_EOF) break;
      if (read != ARCHIVE_OK && read != ARCHIVE_WARN) {
        // Only 7z among our formats knows encryption, and libarchive reads none of it.
        End(reader_.encrypted() ? EntriesEnd::Encrypted7z : ReadFailureEnd());
        break;
      }
      if (!Extract(entry)) break;
      if (!events_.Progress(reader_.bytes_read())) {
        End(EntriesEnd::Stopped);
        break;
      }
    }
    if (specialFiles_ > 0) events_.SpecialFilesSkipped(specialFiles_, firstSpecialFile_);
    return result_;
  }

 private:
  EntriesEnd ReadFailureEnd() const {
    switch (reader_.failure()) {
      case ReadFailure::BadData:
        break;
      case ReadFailure::Damaged:
        return EntriesEnd::Damaged;
      case ReadFailure::UnsupportedMethod:
        return EntriesEnd::UnsupportedMethod;
    }
    return EntriesEnd::BadData;
  }

  // False when the loop ends here.
  bool Extract(struct archive_entry* entry) {
    const std::string stored = reader_.entry_name(entry);
    if (!events_.Wanted(stored)) return true;
    const mode_t type = archive_entry_filetype(entry);
    if (type == AE_IFREG && archive_entry_hardlink(entry) == nullptr) {
      EntryTarget target;
      if (std::optional<HeldSpot> spot = HeldSpotOf(stored, target)) {
        result_.entryName = target.shownName;
        events_.EntryStarted(target.shownName);
        if (archive_entry_is_encrypted(entry)) return End(EntriesEnd::Encrypted7z);
        return WriteFile(target, entry, &*spot);
      }
    }
    std::vector<char> cleaned(stored.size() + 1);
    // "./" and the like name the destination itself.
    if (type == AE_IFDIR &&
        safepath_clean(stored.c_str(), cleaned.data(), cleaned.size(), nullptr) == SAFEPATH_EMPTY) {
      return true;
    }
    const std::optional<EntryTarget> target = ResolveEntryTarget(destination_, stored);
    result_.entryName = target ? target->shownName : ShownEntryName(stored);
    if (!target) {
      events_.Skipped(
          RunsThroughLinkLoop(stored) ? SkippedEntry::LinkLoop : SkippedEntry::OutsideDestination,
          result_.entryName);
      return true;
    }
    events_.EntryStarted(target->shownName);
    if (archive_entry_is_encrypted(entry)) return End(EntriesEnd::Encrypted7z);
    if (type == AE_IFDIR) return MakeFolder(*target, entry);
    if (type == AE_IFLNK) return MakeSymlink(*target, entry);
    const char* hardlink = archive_entry_hardlink(entry);
    // A hard link may carry the data itself (cpio keeps it on the last link).
    const bool hasData = archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0;
    if (hardlink != nullptr && !hasData) return MakeHardLink(*target, hardlink, entry);
    // Devices, pipes and sockets have no place in an extracted folder.
    if (type != AE_IFREG && hardlink == nullptr) {
      if (specialFiles_++ == 0) firstSpecialFile_ = target->shownName;
      return true;
    }
    const int64_t before = result_.extracted;
    if (!WriteFile(*target, entry)) return false;
    if (hardlink == nullptr || result_.extracted == before) return true;
    return ShareWithLinkSource(*target, hardlink, entry);
  }

  // The quick road for a file whose folder exists and is reached through no link, and
  // whose name holds nothing or a plain file; nothing, for the path-safety function's
  // road, in every other case.
  std::optional<HeldSpot> HeldSpotOf(const std::string& stored, EntryTarget& target) const {
    std::vector<char> cleaned(stored.size() + 1);
    if (safepath_clean(stored.c_str(), cleaned.data(), cleaned.size(), nullptr) != SAFEPATH_OK) {
      return std::nullopt;
    }
    const std::string relative = cleaned.data();
    const size_t slash = relative.rfind('/');
    const std::string leaf = slash == std::string::npos ? relative : relative.substr(slash + 1);
    HeldSpot spot{held_.open_folder_of(relative),
                  destination_ + relative.substr(0, relative.size() - leaf.size()), leaf};
    if (spot.folder.fd() < 0) return std::nullopt;
    struct stat info {};
    if (fstatat(spot.folder.fd(), spot.leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
      if (!S_ISREG(info.st_mode)) return std::nullopt;
      spot.occupied = true;
    } else if (errno != ENOENT) {
      return std::nullopt;
    }
    target = {destination_ + relative, relative};
    return spot;
  }

  // Links already extracted that point at each other: the path cannot be followed, so
  // it was not shown to stay inside, but it leads nowhere else either.
  bool RunsThroughLinkLoop(const std::string& stored) const {
    std::vector<char> cleaned(stored.size() + 1);
    if (safepath_clean(stored.c_str(), cleaned.data(), cleaned.size(), nullptr) != SAFEPATH_OK) {
      return false;
    }
    struct stat info {};
    return stat((destination_ + cleaned.data()).c_str(), &info) != 0 && errno == ELOOP;
  }

  Placement Place(const EntryTarget& target, struct archive_entry* entry,
                  const HeldSpot* spot = nullptr) {
    if (!(spot ? spot->occupied : FileWouldBeReplaced(target.path))) return Placement::Write;
    const IncomingFile incoming{static_cast<uint64_t>(archive_entry_size(entry)),
                                static_cast<int64_t>(archive_entry_mtime(entry))};
    switch (events_.FileExists(target.shownName, target.path, incoming)) {
      case ExistingFile::Replace:
        return Placement::Write;
      case ExistingFile::Keep:
        return Placement::Keep;
      case ExistingFile::Stop:
        break;
    }
    End(EntriesEnd::Stopped);
    return Placement::Stop;
  }

  bool MakeFolder(const EntryTarget& target, struct archive_entry* entry) {
    if (!archivekit::make_folders(target.path, true)) return NotWritten(errno);
    const mode_t mode = RecordedMode(entry);
    // A folder stays open to us: extracting the archive again must be able to fill it.
    folders_.add(target.path, {mode == 0 ? 0 : mode | 0700, ModifiedTime(entry)});
    ++result_.extracted;
    return true;
  }

  bool MakeSymlink(const EntryTarget& target, struct archive_entry* entry) {
    const std::string linkTarget =
        Utf8OrStored(archive_entry_symlink_utf8(entry), archive_entry_symlink(entry));
    const Placement placement = Place(target, entry);
    if (placement != Placement::Write) return placement == Placement::Keep;
    if (!archivekit::make_folders(target.path, false)) return NotWritten(errno);
    switch (archivekit::create_symlink(destination_, target.shownName, target.path, linkTarget)) {
      case archivekit::LinkResult::made:
        ++result_.extracted;
        return true;
      case archivekit::LinkResult::outside:
        events_.Skipped(SkippedEntry::LinkOutside, target.shownName);
        return true;
      case archivekit::LinkResult::failed:
        break;
    }
    return NotWritten(errno);
  }

  // Where a hard link's file lies, inside the destination; nothing (and the user told)
  // when the link leads outside.
  std::optional<std::string> LinkSourcePath(const EntryTarget& target,
                                            const std::string& sourceName) {
    // The target follows the rule of every name: "/foo" is "foo" inside, "../x" is refused.
    const std::optional<EntryTarget> source = ResolveEntryTarget(destination_, sourceName);
    if (!source) {
      events_.Skipped(SkippedEntry::LinkOutside, target.shownName);
      return std::nullopt;
    }
    return source->path;
  }

  static bool IsFile(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  }

  // The file is copied: the link's source must be a file this extraction may read,
  // inside the destination.
  bool MakeHardLink(const EntryTarget& target, const std::string& sourceName,
                    struct archive_entry* entry) {
    const std::optional<std::string> source = LinkSourcePath(target, sourceName);
    if (!source || *source == target.path) return true;
    if (!IsFile(*source)) {
      events_.Skipped(SkippedEntry::LinkSourceMissing, target.shownName);
      return true;
    }
    const Placement placement = Place(target, entry);
    if (placement != Placement::Write) return placement == Placement::Keep;
    return Copy(*source, target.path, entry);
  }

  // A link that carries the data (cpio keeps it on the last link): the files linked
  // before it, written empty, get the data too.
  bool ShareWithLinkSource(const EntryTarget& target, const std::string& sourceName,
                           struct archive_entry* entry) {
    const std::optional<std::string> source = LinkSourcePath(target, sourceName);
    if (!source || *source == target.path || !IsFile(*source)) return true;
    return Copy(target.path, *source, entry);
  }

  bool Copy(const std::string& from, const std::string& to, struct archive_entry* entry) {
    archivekit::StagedFile file;
    if (!archivekit::make_folders(to, false) || !file.open(to) ||
        !archivekit::copy_file_into(from, file.fd())) {
      return NotWritten(errno);
    }
    return Commit(file, entry);
  }

  static bool OpenStaged(archivekit::StagedFile& file, const EntryTarget& target,
                         const HeldSpot* spot, mode_t mode) {
    if (spot) return file.open_at(spot->folder.fd(), spot->folderPath, spot->leaf, mode);
    return archivekit::make_folders(target.path, false) && file.open(target.path);
  }

  // spot: the place the quick road found, or nothing.
  bool WriteFile(const EntryTarget& target, struct archive_entry* entry,
                 const HeldSpot* spot = nullptr) {
    const Placement placement = Place(target, entry, spot);
    if (placement != Placement::Write) return placement == Placement::Keep;
    archivekit::StagedFile file;
    const mode_t mode = RecordedMode(entry);
    if (!OpenStaged(file, target, spot, mode == 0 ? kNewFileMode : mode)) {
      return NotWritten(errno);
    }
    int64_t end = 0;
    int64_t position = 0;  // where the file's offset stands
    for (;;) {
      const void* block = nullptr;
      size_t size = 0;
      int64_t offset = 0;
      const int read = reader_.ReadBlock(&block, &size, &offset);
      if (read == ARCHIVE_EOF) break;
      if (read != ARCHIVE_OK && archive_entry_is_encrypted(entry)) {
        return End(EntriesEnd::Encrypted7z);
      }
      // A warning here is a checksum that did not match (7z's CRC), given with the
      // entry's last block: a kept entry holds that block too.
      const bool kept = keepBroken_ && read == ARCHIVE_WARN;
      if (size > 0 && (read == ARCHIVE_OK || kept)) {
        // Blocks of a sparse file leave holes between them.
        if (offset != position && lseek(file.fd(), offset, SEEK_SET) < 0) {
          return NotWritten(errno);
        }
        const int error =
            archivekit::write_fully(file.fd(), static_cast<const uint8_t*>(block), size);
        if (error != 0) return NotWritten(error);
        position = offset + static_cast<int64_t>(size);
        end = std::max<int64_t>(end, position);
      }
      if (read != ARCHIVE_OK) {
        if (keepBroken_) result_.keptPath = file.keep_damaged();
        result_.endedInEntry = true;
        return End(ReadFailureEnd());
      }
      if (!events_.Progress(reader_.bytes_read())) return End(EntriesEnd::Stopped);
    }
    // A hole at the end of a sparse file has no block of its own.
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > end &&
        ftruncate(file.fd(), archive_entry_size(entry)) != 0) {
      return NotWritten(errno);
    }
    return Commit(file, entry, spot == nullptr);
  }

  // setMode false: the file was made with its recorded permissions already.
  bool Commit(archivekit::StagedFile& file, struct archive_entry* entry, bool setMode = true) {
    if (const std::optional<timespec> modified = ModifiedTime(entry)) {
      const timespec times[2] = {{0, UTIME_OMIT}, *modified};
      futimens(file.fd(), times);
    }
    if (const mode_t mode = RecordedMode(entry); setMode && mode != 0) fchmod(file.fd(), mode);
    if (!file.commit()) return NotWritten(errno);
    ++result_.extracted;
    return true;
  }

  // An entry that cannot be written costs only itself, unless the disk is full (a file
  // too large for the file system is that too, as far as the user can act on it) or
  // the destination takes nothing more.
  bool NotWritten(int error) {
    if (error == ENOSPC || error == EDQUOT || error == EFBIG) return End(EntriesEnd::DiskFull);
    return events_.NotWritten(result_.entryName, error) || End(EntriesEnd::WriteFailed);
  }

  bool End(EntriesEnd end) {
    result_.end = end;
    return false;
  }

  LibarchiveReader& reader_;
  const std::string destination_;
  const archivekit::HeldDestination held_;
  const bool keepBroken_;
  EntryEvents& events_;
  EntriesResult result_;
  archivekit::ExtractedFolders<FolderRecord> folders_{FinishFolder};
  int64_t specialFiles_ = 0;
  std::string firstSpecialFile_;
};

}  // namespace

EntriesResult ExtractEntries(LibarchiveReader& reader, const std::string& destination,
                             bool keepBroken, EntryEvents& events) {
  Utf8Names names;
  EntryLoop loop(reader, destination, keepBroken, events);
  return loop.Run();
}

}  // namespace tessaly
