#include "shell/file_transfer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "archivekit/staging.h"
#include "platform/file_descriptor.h"

namespace tessaly {

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The names in a folder, sorted so that a transfer goes in a predictable order.
int ReadFolder(const std::string& folder, std::vector<std::string>& names) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return errno;
  errno = 0;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  if (errno != 0) return errno;
  std::sort(names.begin(), names.end());
  return 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The destination or a folder above it is the folder itself, however the paths are
// spelled (links, bind mounts): compared by device and inode, not by name.
bool InsideOf(const std::string& destination, const struct stat& folder) {
  const std::unique_ptr<char, void (*)(void*)> real(realpath(destination.c_str(), nullptr), free);
  if (!real) return false;
  for (std::string path = real.get();; path = FolderOf(path)) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && SameFile(info, folder)) return true;
    if (path == "/") return false;
  }
}

std::uint64_t TreeSize(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return 0;
  if (!S_ISDIR(info.st_mode))
    return S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
  std::vector<std::string> names;
  ReadFolder(path, names);
  std::uint64_t total = 0;
  for (const std::string& name : names) total += TreeSize(Join(path, name));
  return total;
}

int ReadFully(int fd, char* buffer, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = read(fd, buffer + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return 0;
}

int WriteFully(int fd, const char* buffer, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, buffer, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    buffer += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

// Both files read back from the start hold the same bytes.
bool SameContents(int first, int second) {
  if (lseek(first, 0, SEEK_SET) != 0 || lseek(second, 0, SEEK_SET) != 0) return false;
  std::vector<char> a(kChunkSize), b(kChunkSize);
  for (;;) {
    std::size_t gotA = 0, gotB = 0;
    if (ReadFully(first, a.data(), a.size(), gotA) != 0) return false;
    if (ReadFully(second, b.data(), b.size(), gotB) != 0) return false;
    if (gotA != gotB || std::memcmp(a.data(), b.data(), gotA) != 0) return false;
    if (gotA == 0) return true;
  }
}

enum class ConflictPolicy { Ask, ReplaceAll, SkipAll };

class Transfer {
 public:
  Transfer(TransferKind kind, TransferHost& host, const RenameCall& renameCall)
      : kind_(kind), host_(host), rename_(renameCall) {}

  TransferOutcome Run(const std::vector<std::string>& sources, const std::string& destination) {
    for (const std::string& source : sources) total_ += TreeSize(WithoutTrailingSlash(source));
    for (const std::string& given : sources) {
      const std::string source = WithoutTrailingSlash(given);
      const std::string target = Join(destination, BaseName(source));
      struct stat from {};
      struct stat to {};
      if (lstat(source.c_str(), &from) == 0 && S_ISDIR(from.st_mode) &&
          (InsideOf(destination, from) || (lstat(target.c_str(), &to) == 0 && SameFile(from, to))))
        return OntoItself(source);
      if (!Item(source, target, kind_ == TransferKind::Move)) return outcome_;
    }
    return outcome_;
  }

 private:
  TransferOutcome OntoItself(const std::string& source) {
    host_.ReportError("\"" + source + "\" cannot be " +
                      (kind_ == TransferKind::Copy ? "copied" : "moved") + " onto itself.");
    outcome_ = TransferOutcome::Failed;
    return outcome_;
  }

  bool Fail(const std::string& path, int error) {
    host_.ReportError(TransferErrorText(kind_, path, error));
    outcome_ = TransferOutcome::Failed;
    return false;
  }

  bool Cancelled() {
    outcome_ = TransferOutcome::Cancelled;
    return false;
  }

  bool Report(const std::string& source) {
    return host_.Progress(source, done_, total_) || Cancelled();
  }

  // false: the transfer stops (outcome_ says why).
  bool Item(const std::string& source, const std::string& target, bool renameFirst) {
    if (!Report(source)) return false;
    struct stat from {};
    if (lstat(source.c_str(), &from) != 0) return Fail(source, errno);
    struct stat to {};
    const bool exists = lstat(target.c_str(), &to) == 0;
    if (!exists && errno != ENOENT) return Fail(target, errno);
    if (S_ISDIR(from.st_mode))
      return Folder(source, target, from, exists ? &to : nullptr, renameFirst);

    if (exists) {
      if (S_ISDIR(to.st_mode)) return Fail(target, EISDIR);
      if (SameFile(from, to)) {
        OntoItself(source);
        return false;
      }
      switch (Conflict(target)) {
        case ConflictAnswer::Skip:
          done_ += S_ISREG(from.st_mode) ? static_cast<std::uint64_t>(from.st_size) : 0;
          return true;
        case ConflictAnswer::Cancel:
          return Cancelled();
        default:
          break;
      }
    }
    if (renameFirst) {
      const int error = rename_(source, target);
      if (error == 0) {
        done_ += S_ISREG(from.st_mode) ? static_cast<std::uint64_t>(from.st_size) : 0;
        return Report(source);
      }
      if (error != EXDEV) return Fail(source, error);
    }
    if (!CopyOne(source, target, from)) return false;
    if (kind_ == TransferKind::Move && unlink(source.c_str()) != 0) return Fail(source, errno);
    return true;
  }

  bool Folder(const std::string& source, const std::string& target, const struct stat& from,
              const struct stat* existing, bool renameFirst) {
    if (existing != nullptr && !S_ISDIR(existing->st_mode)) return Fail(target, ENOTDIR);
    if (existing == nullptr && renameFirst) {
      const std::uint64_t size = TreeSize(source);
      const int error = rename_(source, target);
      if (error == 0) {
        done_ += size;
        return Report(source);
      }
      if (error != EXDEV) return Fail(source, error);
      renameFirst = false;
    }
    // Listed before anything is created, so the new folder is never among its own names.
    std::vector<std::string> names;
    if (const int error = ReadFolder(source, names); error != 0) return Fail(source, error);
    const bool created = existing == nullptr;
    if (created && mkdir(target.c_str(), 0700) != 0) return Fail(target, errno);
    for (const std::string& name : names) {
      if (!Item(Join(source, name), Join(target, name), renameFirst)) return false;
    }
    if (created && chmod(target.c_str(), from.st_mode & 0777) != 0) return Fail(target, errno);
    // A folder that still holds skipped files stays where it was.
    if (kind_ == TransferKind::Move && rmdir(source.c_str()) != 0 && errno != ENOTEMPTY &&
        errno != EEXIST)
      return Fail(source, errno);
    return true;
  }

  ConflictAnswer Conflict(const std::string& target) {
    if (policy_ == ConflictPolicy::ReplaceAll) return ConflictAnswer::Replace;
    if (policy_ == ConflictPolicy::SkipAll) return ConflictAnswer::Skip;
    const ConflictAnswer answer = host_.AskReplace(target);
    if (answer == ConflictAnswer::ReplaceAll) {
      policy_ = ConflictPolicy::ReplaceAll;
      return ConflictAnswer::Replace;
    }
    if (answer == ConflictAnswer::SkipAll) {
      policy_ = ConflictPolicy::SkipAll;
      return ConflictAnswer::Skip;
    }
    return answer;
  }

  // Writes the copy under a temporary name beside the target and renames it over the
  // target only when complete (and, for a move, read back equal), so a failure leaves
  // the old target as it was.
  // The temporary file is staged as the extractions stage theirs: locked while this
  // run lives, removed when it is interrupted, swept by a later run when it is not.
  bool CopyOne(const std::string& source, const std::string& target, const struct stat& from) {
    std::string temp;
    FileDescriptor out(archivekit::create_staging_file(FolderOf(target) + "/", temp));
    if (out.get() < 0) return Fail(target, errno);
    // Holds the lock while out is closed to see its error, until the rename.
    const FileDescriptor lock(fcntl(out.get(), F_DUPFD_CLOEXEC, 0));
    auto discard = [&](bool result) {
      unlink(temp.c_str());
      archivekit::forget_staged(temp);
      return result;
    };
    if (lock.get() < 0) return discard(Fail(target, errno));
    if (S_ISLNK(from.st_mode)) {
      std::string link(static_cast<std::size_t>(from.st_size) + 1, '\0');
      const ssize_t length = readlink(source.c_str(), link.data(), link.size());
      if (length < 0) return discard(Fail(source, errno));
      link.resize(static_cast<std::size_t>(length));
      out.Close();
      unlink(temp.c_str());
      if (symlink(link.c_str(), temp.c_str()) != 0) return discard(Fail(target, errno));
    } else if (S_ISREG(from.st_mode)) {
      if (!CopyBytes(source, target, from, out.get())) return discard(false);
      if (const int error = out.Close(); error != 0) return discard(Fail(target, error));
    } else {
      return discard(Fail(source, EINVAL));
    }
    if (rename(temp.c_str(), target.c_str()) != 0) return discard(Fail(target, errno));
    archivekit::forget_staged(temp);
    return true;
  }

  bool CopyBytes(const std::string& source, const std::string& target, const struct stat& from,
                 int out) {
    FileDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) return Fail(source, errno);
    std::vector<char> buffer(kChunkSize);
    for (;;) {
      std::size_t got = 0;
      if (const int error = ReadFully(in.get(), buffer.data(), buffer.size(), got); error != 0)
        return Fail(source, error);
      if (got == 0) break;
      if (const int error = WriteFully(out, buffer.data(), got); error != 0)
        return Fail(target, error);
      done_ += got;
      if (!Report(source)) return false;
    }
    if (fchmod(out, from.st_mode & 0777) != 0) return Fail(target, errno);
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (futimens(out, times) != 0) return Fail(target, errno);
    if (fsync(out) != 0) return Fail(target, errno);
    // The source of a move goes only when its copy reads back the same.
    if (kind_ == TransferKind::Move && !SameContents(in.get(), out)) return Fail(target, EIO);
    return true;
  }

  TransferKind kind_;
  TransferHost& host_;
  const RenameCall& rename_;
  ConflictPolicy policy_ = ConflictPolicy::Ask;
  TransferOutcome outcome_ = TransferOutcome::Done;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
};

}  // namespace

int SystemRename(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

TransferOutcome TransferFiles(TransferKind kind, const std::vector<std::string>& sources,
                              const std::string& destination, TransferHost& host,
                              const RenameCall& renameCall) {
  Transfer transfer(kind, host, renameCall);
  return transfer.Run(sources, destination);
}

std::string ReplaceQuestionText(const std::string& target) {
  return "The file \"" + target + "\" already exists. Do you want to replace it?";
}

std::string TransferErrorText(TransferKind kind, const std::string& path, int error) {
  return std::string("Could not ") + (kind == TransferKind::Copy ? "copy" : "move") + " \"" + path +
         "\": " + std::strerror(error) + ".";
}

}  // namespace tessaly
