#include "engine/libarchive/libarchive_entries.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "archivekit/entry_output.h"
#include "archivekit/extracted_folders.h"
#include "archivekit/held_destination.h"
#include "archivekit/staged_file.h"
#include "archivekit/worker_pool.h"
#include "engine/entry_target.h"
#include "engine/libarchive/write_behind.h"
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
// A file up to this size shows its line once it is in place; a larger one when it
// starts, and moves the bar as it is written.
constexpr uint64_t kQuietFileSize = uint64_t{1} << 20;
// A file copied from the archive file goes to the writer in pieces of this size.
constexpr int64_t kCopiedPiece = int64_t{4} << 20;
// How often Cancel is looked at while the writer is waited for.
constexpr std::chrono::milliseconds kPoll{50};

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
            bool writeBehind, EntryEvents& events)
      : reader_(reader),
        destination_(destination),
        held_(destination),
        keepBroken_(keepBroken),
        events_(events),
        writes_(writeBehind) {}

  EntriesResult Run() {
    for (;;) {
      struct archive_entry* entry = nullptr;
      const int read = reader_.NextHeader(&entry);
      if (read == ARCHIVE_EOF) break;
      if (read != ARCHIVE_OK && read != ARCHIVE_WARN) {
        if (!Drain()) break;
        // Only 7z among our formats knows encryption, and libarchive reads none of it.
        End(reader_.encrypted() ? EntriesEnd::Encrypted7z : ReadFailureEnd());
        break;
      }
      if (!Extract(entry) || !RetireDone()) break;
      // Files still being written report their own progress, in turn.
      if (writes_.empty() && !Progress(reader_.bytes_read())) break;
    }
    if (result_.end == EntriesEnd::Done) Drain();
    // What went in ahead of the entry that ended the loop goes again, files before the
    // folders they are in.
    const std::deque<std::unique_ptr<WriteBehind::Job>> ahead = writes_.abandon();
    for (auto job = ahead.rbegin(); job != ahead.rend(); ++job) {
      (*job)->file.withdraw();
      if ((*job)->madeFolder) rmdir((*job)->path.c_str());
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
    std::vector<char> cleaned(stored.size() + 1);
    const int cleaning = safepath_clean(stored.c_str(), cleaned.data(), cleaned.size(), nullptr);
    if (type == AE_IFREG && archive_entry_hardlink(entry) == nullptr && cleaning == SAFEPATH_OK) {
      const std::string relative = cleaned.data();
      // A file of the same name still being written must be in place first.
      if (pending_.contains(destination_ + relative) && !Drain()) return false;
      EntryTarget target;
      if (std::optional<HeldSpot> spot = HeldSpotOf(relative, target)) {
        if (!spot->occupied && !archive_entry_is_encrypted(entry)) {
          return WriteFile(target, entry, std::move(spot), false);
        }
        if (!Drain()) return false;
        result_.entryName = target.shownName;
        events_.EntryStarted(target.shownName);
        if (archive_entry_is_encrypted(entry)) return End(EntriesEnd::Encrypted7z);
        return WriteFile(target, entry, std::move(spot), true);
      }
    }
    // "./" and the like name the destination itself.
    if (type == AE_IFDIR && cleaning == SAFEPATH_EMPTY) return true;
    // A folder is made at once, its line shown in turn, unless a file still being
    // written lies on its path.
    if (type == AE_IFDIR && cleaning == SAFEPATH_OK && !archive_entry_is_encrypted(entry) &&
        !PendingOnPath(cleaned.data())) {
      if (std::optional<EntryTarget> target = ResolveEntryTarget(destination_, stored)) {
        return MakeFolderBehind(*target, entry);
      }
    }
    // Everything else is done in turn, with every file before it in place.
    if (!Drain()) return false;
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
    if (!WriteFile(*target, entry, std::nullopt, true)) return false;
    if (hardlink == nullptr) return true;
    if (!Drain()) return false;
    if (result_.extracted == before) return true;
    return ShareWithLinkSource(*target, hardlink, entry);
  }

  // The quick road for a file whose folder exists and is reached through no link, and
  // whose name holds nothing or a plain file; nothing, for the path-safety function's
  // road, in every other case. relative: the name as safepath_clean leaves it.
  std::optional<HeldSpot> HeldSpotOf(const std::string& relative, EntryTarget& target) const {
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

  // 0 or the error that kept the folder from being made.
  int MakeFolderNow(const EntryTarget& target, struct archive_entry* entry) {
    if (!archivekit::make_folders(target.path, true)) return errno;
    const mode_t mode = RecordedMode(entry);
    // A folder stays open to us: extracting the archive again must be able to fill it.
    folders_.add(target.path, {mode == 0 ? 0 : mode | 0700, ModifiedTime(entry)});
    return 0;
  }

  bool MakeFolder(const EntryTarget& target, struct archive_entry* entry) {
    if (const int error = MakeFolderNow(target, entry)) return NotWritten(error);
    ++result_.extracted;
    return true;
  }

  // Made now; its line, or its failure, when its turn comes. A folder this run made
  // and whose turn never came is removed again if nothing went into it.
  bool MakeFolderBehind(const EntryTarget& target, struct archive_entry* entry) {
    auto job = std::make_unique<WriteBehind::Job>();
    job->folderOnly = true;
    job->shownName = target.shownName;
    job->path = target.path;
    struct stat info {};
    const bool existed = lstat(target.path.c_str(), &info) == 0;
    job->error = MakeFolderNow(target, entry);
    job->madeFolder = !existed && job->error == 0;
    job->bytesReadAfter = reader_.bytes_read();
    if (!MakeRoom()) return false;
    writes_.close(*job, true);
    Give(std::move(job));
    return true;
  }

  bool PendingOnPath(const std::string& relative) const {
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
      if (pending_.contains(destination_ + relative.substr(0, slash))) return true;
    }
    return pending_.contains(destination_ + relative);
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

  // Written behind: the file goes to the writer, and is put in place, its line shown
  // if started is false, when it is retired. spot: the place the quick road found, or
  // nothing (the path-safety function's road). started: its line is shown already.
  bool WriteFile(const EntryTarget& target, struct archive_entry* entry,
                 std::optional<HeldSpot> spot, bool started) {
    const Placement placement = Place(target, entry, spot ? &*spot : nullptr);
    if (placement != Placement::Write) return placement == Placement::Keep;
    auto job = std::make_unique<WriteBehind::Job>();
    const mode_t mode = RecordedMode(entry);
    if (spot) {
      job->folder = std::move(spot->folder);
      job->folderPath = spot->folderPath;
      job->leaf = spot->leaf;
      job->mode = mode == 0 ? kNewFileMode : mode;
    } else {
      if (!archivekit::make_folders(target.path, false) || !job->file.open(target.path)) {
        return NotWritten(errno);
      }
      job->finalMode = mode;
    }
    if (archive_entry_size_is_set(entry)) job->size = archive_entry_size(entry);
    const int64_t fileSize = job->size;
    job->modified = ModifiedTime(entry);
    job->shownName = target.shownName;
    job->path = target.path;
    job->started = started;
    if (!MakeRoom()) return false;
    // Given to the writer at once when its line is shown, else once whole or large.
    WriteBehind::Job* given = started ? &Give(std::move(job)) : nullptr;
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
      // A large file stored as it is in the archive file is copied from it in the kernel.
      std::optional<int64_t> storedRest;
      if (read == ARCHIVE_OK && offset == 0 && size > 0 &&
          fileSize > static_cast<int64_t>(kQuietFileSize)) {
        storedRest = reader_.StoredRest(entry, block, size);
      }
      if (size > 0 && (read == ARCHIVE_OK || kept)) {
        if (given != nullptr) {
          if (!MakeRoom()) return false;
          writes_.write(*given, block, size, offset);
        } else {
          job->add(block, size, offset);
          // A large file shows its line and moves the bar while it is written: its
          // line once every file before it is in place, which a writer may still be
          // busy with meanwhile.
          if (job->bytes() > kQuietFileSize || storedRest) {
            if (!RetireDone()) return false;
            job->lineWhenFirst = true;
            given = &Give(std::move(job));
            ShowFirstLine();
          }
        }
      }
      if (storedRest) {
        if (!CopyStored(*given, *storedRest, static_cast<int64_t>(size))) return false;
        break;
      }
      if (read != ARCHIVE_OK) return EndInEntry(given != nullptr ? *given : Give(std::move(job)));
      if (given != nullptr && !Progress(reader_.bytes_read())) return false;
    }
    WriteBehind::Job& file = given != nullptr ? *given : *job;
    file.bytesReadAfter = reader_.bytes_read();
    writes_.close(file, true);
    if (given == nullptr) Give(std::move(job));
    return true;
  }

  // The rest of a file given open, from at in the archive file on, in pieces so that
  // the bar moves and Cancel is seen; libarchive passes over it unread.
  bool CopyStored(WriteBehind::Job& file, int64_t at, int64_t offset) {
    for (int64_t rest = file.size - offset; rest > 0;) {
      const auto piece = static_cast<size_t>(std::min<int64_t>(rest, kCopiedPiece));
      if (!MakeRoom()) return false;
      writes_.copy(file, reader_.source_fd(), at, piece, offset);
      at += static_cast<int64_t>(piece);
      offset += static_cast<int64_t>(piece);
      rest -= static_cast<int64_t>(piece);
      // The bar follows what is copied, not what is given to copy.
      if (!Progress(static_cast<uint64_t>(at) - writes_.copies_pending())) return false;
    }
    return reader_.SkipData() || EndInEntry(file);
  }

  WriteBehind::Job& Give(std::unique_ptr<WriteBehind::Job> job) {
    pending_.insert(job->path);
    return writes_.give(std::move(job));
  }

  // The entry being read failed: what was written of it is kept as damaged or not,
  // with everything before it put in place first.
  bool EndInEntry(WriteBehind::Job& file) {
    writes_.close(file, false);
    if (!DrainBefore(file) || !AwaitWriter(WriteBehind::Until::Idle)) return false;
    std::unique_ptr<WriteBehind::Job> job = TakeBack();
    if (keepBroken_) result_.keptPath = job->file.keep_damaged();
    result_.endedInEntry = true;
    return End(ReadFailureEnd());
  }

  // The first file written behind (it is done), its line shown.
  std::unique_ptr<WriteBehind::Job> TakeBack() {
    std::unique_ptr<WriteBehind::Job> job = writes_.take_front();
    pending_.erase(job->path);
    result_.entryName = job->shownName;
    if (!job->started) events_.EntryStarted(job->shownName);
    return job;
  }

  // Puts the first file written behind in place (it is done): its line, its
  // failure if it had one, its progress. False when the loop ends there.
  bool RetireFront() {
    std::unique_ptr<WriteBehind::Job> job = TakeBack();
    if (job->error != 0) {
      if (!NotWritten(job->error)) return false;
    } else if (job->folderOnly || job->file.commit()) {
      ++result_.extracted;
    } else if (!NotWritten(errno)) {
      return false;
    }
    if (!Progress(job->bytesReadAfter)) return false;
    ShowFirstLine();
    return true;
  }

  // The line of a large file being written, once it is the first not in place.
  void ShowFirstLine() {
    if (writes_.empty()) return;
    WriteBehind::Job& first = writes_.front();
    if (!first.lineWhenFirst || first.started) return;
    events_.EntryStarted(first.shownName);
    first.started = true;
  }

  bool RetireDone() {
    while (writes_.front_done()) {
      if (!RetireFront()) return false;
    }
    return true;
  }

  // Waits for the writer. While it takes long the bar stays where it is, but Cancel
  // is still seen.
  bool AwaitWriter(WriteBehind::Until until) {
    while (!writes_.wait(until, kPoll)) {
      if (!Progress(reportedBytes_)) return false;
    }
    return true;
  }

  // Every file before last (written behind) put in place.
  bool DrainBefore(const WriteBehind::Job& last) {
    if (&writes_.front() != &last && !AwaitWriter(WriteBehind::Until::Idle)) return false;
    while (&writes_.front() != &last) {
      if (!RetireFront()) return false;
    }
    return true;
  }

  bool Drain() {
    if (writes_.empty()) return true;
    if (!AwaitWriter(WriteBehind::Until::Idle)) return false;
    while (!writes_.empty()) {
      if (!RetireFront()) return false;
    }
    return true;
  }

  // Waits, putting done files in place, until the writer has room for more.
  bool MakeRoom() {
    while (!writes_.has_room()) {
      if (!AwaitWriter(WriteBehind::Until::Room) || !RetireDone()) return false;
    }
    return true;
  }

  // The bar never goes back: a file copied ahead may report past the ones before it.
  bool Progress(uint64_t bytesRead) {
    reportedBytes_ = std::max(reportedBytes_, bytesRead);
    return events_.Progress(reportedBytes_) || End(EntriesEnd::Stopped);
  }

  bool Commit(archivekit::StagedFile& file, struct archive_entry* entry) {
    if (const std::optional<timespec> modified = ModifiedTime(entry)) {
      const timespec times[2] = {{0, UTIME_OMIT}, *modified};
      futimens(file.fd(), times);
    }
    if (const mode_t mode = RecordedMode(entry); mode != 0) fchmod(file.fd(), mode);
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
  // Files go to the writer in turn and come back in turn, before the folders finish.
  WriteBehind writes_;
  std::unordered_set<std::string> pending_;  // their paths
  uint64_t reportedBytes_ = 0;
  int64_t specialFiles_ = 0;
  std::string firstSpecialFile_;
};

}  // namespace

EntriesResult ExtractEntries(LibarchiveReader& reader, const std::string& destination,
                             bool keepBroken, int threads, EntryEvents& events) {
  Utf8Names names;
  EntryLoop loop(reader, destination, keepBroken, archivekit::worker_count(threads) > 1, events);
  return loop.Run();
}

}  // namespace tessaly
