#include "engine/arj/arj_placement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "archivekit/staged_file.h"
#include "engine/arj/arj_headers.h"
#include "engine/entry_messages.h"
#include "engine/entry_selection.h"
#include "engine/entry_target.h"
#include "engine/extraction_prompts.h"
#include "engine/name_encoding_choice.h"
#include "engine/session.h"
#include "safe_path.h"

namespace tessaly {

namespace {

constexpr size_t kReadChunk = 256 * 1024;

std::string FailedCheckText(const std::string& name) {
  return "Tessaly did not extract \"" + name +
         "\": it does not match the size and CRC-32 recorded in the archive.";
}

std::string NotPlacedText(const std::string& name, int error) {
  return "Tessaly could not put \"" + name +
         "\" into the destination folder: " + std::strerror(error) + ".";
}

// What the staging folder held before anything moved: moving files out changes the
// times of their folders.
struct StagedItem {
  mode_t mode = 0;
  nlink_t links = 0;
  timespec times[2]{};  // access, modification
};

std::string ArjCodePage(const ArjHeaders& headers, const std::string& chosen) {
  std::vector<std::string> names;
  for (const ArjEntryHeader& entry : headers.entries) names.push_back(entry.name);
  return CodePageOfNames(names, chosen, "CP437");
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

class ArjPlacement {
 public:
  ArjPlacement(Session& session, const ArjHeaders& headers, const ArjStaging::ArchiveFolder& folder,
               const std::string& destination)
      : session_(session),
        headers_(headers),
        top_(folder.top),
        chain_(folder.base.substr(folder.top.size())),
        destination_(destination),
        files_(ArjStoredFiles(headers)),
        selection_(session.job),
        codePage_(ArjCodePage(headers, NameEncodingToRead(session))) {
    session.job.namesReadIn = codePage_;
    for (const ArjStoredFile& file : files_) {
      if (const std::optional<std::string> key = KeyOf(file.name))
        candidates_[*key].push_back(&file);
    }
  }

  bool Run() {
    Snapshot("");
    // In archive order first, so questions come in the order the archive lists its names.
    for (const ArjEntryHeader& entry : headers_.entries) {
      if (stopped_) break;
      const std::optional<std::string> key = KeyOf(entry.name);
      if (!key) continue;
      // What was not selected stays in the staging folder, which goes.
      const std::string name = ReadStoredName(entry.name, codePage_);
      if (selection_.Selects(name)) {
        Place(*key, name);
      } else {
        visited_.insert(*key);
      }
    }
    // Then what no header led to: folders the utility made on the way, and anything it
    // unpacked under a name this reading does not expect.
    for (const auto& [key, item] : items_) {
      if (stopped_) break;
      if (visited_.count(key) != 0) continue;
      const bool belowBase = key.size() > chain_.size() && key.starts_with(chain_);
      const std::string name =
          ReadStoredName(belowBase ? key.substr(chain_.size()) : key, codePage_);
      if (!selection_.SelectsAll() && !(belowBase && selection_.Selects(name))) continue;
      if (S_ISREG(item.mode)) {
        Report(FailedCheckText(ShownEntryName(name)));
      } else if (belowBase) {
        Place(key, name, true);
      }
    }
    FinishFolders();
    return ok_;
  }

 private:
  // The staged path, relative to the archive's folder, of a stored name.
  std::optional<std::string> KeyOf(const std::string& storedName) const {
    const std::string landing = ArjLandingName(storedName);
    if (landing.empty()) return std::nullopt;
    std::vector<std::string> parts;
    size_t start = 0;
    const std::string path = chain_ + landing;
    while (start < path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const std::string part = path.substr(start, end - start);
      if (part == "..") {
        if (parts.empty()) return std::nullopt;
        parts.pop_back();
      } else if (!part.empty()) {
        parts.push_back(part);
      }
      start = end + 1;
    }
    std::string key;
    for (const std::string& part : parts) key += (key.empty() ? "" : "/") + part;
    if (key.empty()) return std::nullopt;
    return key;
  }

  // Records everything below top_/relative; folders (private here) are opened up for
  // their owner so that they can be read and emptied.
  void Snapshot(const std::string& relative) {
    const std::string folderPath = top_ + relative;
    DIR* listing = opendir(folderPath.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) {
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
        names.emplace_back(entry->d_name);
      }
    }
    closedir(listing);
    for (const std::string& name : names) {
      const std::string key = relative.empty() ? name : relative + "/" + name;
      struct stat info {};
      if (lstat((top_ + key).c_str(), &info) != 0) continue;
      items_[key] = {info.st_mode, info.st_nlink, {info.st_atim, info.st_mtim}};
      if (S_ISDIR(info.st_mode)) {
        chmod((top_ + key).c_str(), S_IRWXU);
        Snapshot(key);
      } else if (S_ISREG(info.st_mode) && info.st_nlink == 1 && (info.st_mode & S_IRUSR) == 0) {
        // Read for the check; the mode it was unpacked with is put back when it moves.
        chmod((top_ + key).c_str(), (info.st_mode & 07777) | S_IRUSR);
      }
    }
  }

  // implicit: a folder the utility made on the way to a file, which has no entry of
  // its own to be reported for.
  void Place(const std::string& key, const std::string& name, bool implicit = false) {
    if (!visited_.insert(key).second) return;
    const auto found = items_.find(key);
    if (found == items_.end()) return;
    const StagedItem& item = found->second;
    if (S_ISREG(item.mode)) {
      PlaceFile(key, name, item);
    } else if (S_ISDIR(item.mode)) {
      PlaceFolder(name, item, implicit);
    } else if (S_ISLNK(item.mode)) {
      PlaceLink(key, name);
    }
  }

  void PlaceFile(const std::string& key, const std::string& name, const StagedItem& item) {
    const std::optional<EntryTarget> target = ResolveEntryTarget(destination_, name);
    if (!target) return Report(OutsideDestinationText(ShownEntryName(name)));
    const std::string staged = top_ + key;
    // A file with a second name might be shared with something outside: never touched.
    const int fd = item.links == 1 ? open(staged.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC) : -1;
    if (fd < 0 || !MatchesArchive(fd, key)) {
      const std::string kept = fd >= 0 ? KeepDamaged(fd, item, staged, *target) : "";
      if (fd >= 0) close(fd);
      return Report(
          WithKeptDamagedText(FailedCheckText(target->shownName), target->shownName, kept));
    }
    if (!MakeParents(*target) || !MayReplace(*target, staged)) {
      close(fd);
      return;
    }
    fchmod(fd, archivekit::permitted_mode(item.mode));
    int error = rename(staged.c_str(), target->path.c_str()) == 0 ? 0 : errno;
    if (error == EXDEV) error = CopyInto(fd, item, target->path);
    close(fd);
    if (error != 0) Report(NotPlacedText(target->shownName, error));
  }

  // With the job's choice, what the utility wrote of a file that failed its check goes
  // beside its target as "<name>.damaged". Where it went, or "".
  std::string KeepDamaged(int fd, const StagedItem& item, const std::string& staged,
                          const EntryTarget& target) {
    if (!session_.job.keepBroken || !MakeParents(target)) return "";
    fchmod(fd, archivekit::permitted_mode(item.mode));
    return archivekit::rename_to_damaged_name(staged, target.path);
  }

  void PlaceFolder(const std::string& name, const StagedItem& item, bool implicit) {
    const std::optional<EntryTarget> target = ResolveEntryTarget(destination_, name);
    if (!target) {
      if (!implicit) Report(OutsideDestinationText(ShownEntryName(name)));
      return;
    }
    if (!MakeFolders(target->path, target->shownName)) return;
    // Modes and times go on at the end: a read-only folder must still take its files.
    if (created_.count(target->path) != 0) {
      finishing_.push_back(
          {target->path, archivekit::permitted_mode(item.mode), {item.times[0], item.times[1]}});
    }
  }

  void PlaceLink(const std::string& key, const std::string& name) {
    const std::optional<EntryTarget> target = ResolveEntryTarget(destination_, name);
    if (!target) return Report(OutsideDestinationText(ShownEntryName(name)));
    const std::string staged = top_ + key;
    std::vector<char> text(4096);
    const ssize_t length = readlink(staged.c_str(), text.data(), text.size() - 1);
    if (length < 0) return Report(NotPlacedText(target->shownName, errno));
    text[static_cast<size_t>(length)] = '\0';
    if (safepath_check_link(destination_.empty() ? nullptr : destination_.c_str(),
                            target->shownName.c_str(), text.data()) != SAFEPATH_OK) {
      return Report(LinkOutsideDestinationText(target->shownName));
    }
    if (!MakeParents(*target) || !MayReplace(*target, staged)) return;
    if (rename(staged.c_str(), target->path.c_str()) != 0) {
      Report(NotPlacedText(target->shownName, errno));
    }
  }

  // The file's size and the CRC-32 of each part match one file of that name.
  bool MatchesArchive(int fd, const std::string& key) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const auto found = candidates_.find(key);
    if (found == candidates_.end()) return false;
    for (const ArjStoredFile* file : found->second) {
      if (file->whole && file->size() == static_cast<uint64_t>(info.st_size) &&
          PartsMatch(fd, *file)) {
        return true;
      }
    }
    return false;
  }

  bool PartsMatch(int fd, const ArjStoredFile& file) {
    std::vector<unsigned char> buffer(kReadChunk);
    for (const ArjStoredFile::Part& part : file.parts) {
      uLong crc = crc32(0, nullptr, 0);
      uint64_t done = 0;
      while (done < part.size) {
        const size_t want =
            static_cast<size_t>(std::min<uint64_t>(buffer.size(), part.size - done));
        const ssize_t got =
            pread(fd, buffer.data(), want, static_cast<off_t>(part.position + done));
        if (got <= 0) return false;
        crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
        done += static_cast<uint64_t>(got);
        session_.events.pump();
      }
      if (static_cast<uint32_t>(crc) != part.crc) return false;
    }
    return true;
  }

  // False, said in a message, when a level cannot be made or is not a folder.
  bool MakeParents(const EntryTarget& target) {
    return MakeFolders(FolderOf(target.path), target.shownName);
  }

  // Makes every missing level of path below the destination (path passed the path
  // check: the levels that exist lead nowhere outside).
  bool MakeFolders(const std::string& path, const std::string& shownName) {
    size_t at = destination_.size();
    while (at < path.size()) {
      size_t slash = path.find('/', at);
      if (slash == std::string::npos) slash = path.size();
      const std::string level = path.substr(0, slash);
      struct stat info {};
      if (stat(level.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode)) {
          Report(NotPlacedText(shownName, ENOTDIR));
          return false;
        }
      } else if (mkdir(level.c_str(), 0777) == 0) {
        created_.insert(level);
      } else {
        Report(NotPlacedText(shownName, errno));
        return false;
      }
      at = slash + 1;
    }
    return true;
  }

  // False when an existing file stays (or the user cancelled, which ends the archive);
  // staged is the utility's file that would replace it.
  bool MayReplace(const EntryTarget& target, const std::string& staged) {
    if (!FileWouldBeReplaced(target.path)) return true;
    struct stat incoming {};
    lstat(staged.c_str(), &incoming);
    switch (
        DecideExistingFile(session_, target.shownName, target.path,
                           {static_cast<uint64_t>(incoming.st_size), incoming.st_mtim.tv_sec})) {
      case ExistingFile::Replace:
        return true;
      case ExistingFile::Keep:
        return false;
      case ExistingFile::Stop:
        stopped_ = true;
        ok_ = false;
        return false;
    }
    return false;
  }

  // The destination is on another file system than the staging folder (a mount point
  // inside it): the bytes are copied into a temporary file beside the target instead.
  int CopyInto(int fd, const StagedItem& item, const std::string& path) {
    archivekit::StagedFile out;
    if (!out.open(path)) return errno;
    std::vector<char> buffer(kReadChunk);
    off_t offset = 0;
    for (;;) {
      const ssize_t got = pread(fd, buffer.data(), buffer.size(), offset);
      if (got < 0) return errno;
      if (got == 0) break;
      for (ssize_t written = 0; written < got;) {
        const ssize_t put =
            write(out.fd(), buffer.data() + written, static_cast<size_t>(got - written));
        if (put < 0) return errno;
        written += put;
      }
      offset += got;
      session_.events.pump();
    }
    fchmod(out.fd(), archivekit::permitted_mode(item.mode));
    futimens(out.fd(), item.times);
    return out.commit() ? 0 : errno;
  }

  void FinishFolders() {
    // Deepest first: a folder's time is set after everything inside it has moved.
    std::sort(finishing_.begin(), finishing_.end(),
              [](const Finishing& a, const Finishing& b) { return a.path.size() > b.path.size(); });
    for (const Finishing& folder : finishing_) {
      chmod(folder.path.c_str(), folder.mode);
      utimensat(AT_FDCWD, folder.path.c_str(), folder.times, AT_SYMLINK_NOFOLLOW);
    }
  }

  void Report(const std::string& text) {
    session_.dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
    ok_ = false;
  }

  struct Finishing {
    std::string path;
    mode_t mode;
    timespec times[2];
  };

  Session& session_;
  const ArjHeaders& headers_;
  const std::string top_;
  const std::string chain_;  // "" or "_/_/..."
  const std::string destination_;
  const std::vector<ArjStoredFile> files_;
  const EntrySelection selection_;
  std::map<std::string, std::vector<const ArjStoredFile*>> candidates_;
  std::map<std::string, StagedItem> items_;
  std::set<std::string> visited_;
  std::set<std::string> created_;
  std::vector<Finishing> finishing_;
  bool ok_ = true;
  bool stopped_ = false;
  std::string codePage_;  // of the names not in UTF-8
};

}  // namespace

bool PlaceArjArchive(Session& session, const ArjHeaders& headers,
                     const ArjStaging::ArchiveFolder& folder, const std::string& destination) {
  return ArjPlacement(session, headers, folder, destination).Run();
}

}  // namespace tessaly
