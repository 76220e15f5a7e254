// One policy for every write of every archive library: the cleaned name stays under
// the destination, and no link (already there or about to be made) leads out of it.
#include "safe_path.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split_components(const std::string& text) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == '/') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

bool has_drive_prefix(const std::string& text, std::size_t at) {
  if (text.size() < at + 2) return false;
  const unsigned char letter = static_cast<unsigned char>(text[at]);
  return ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) &&
         text[at + 1] == ':';
}

struct CleanedName {
  std::string text;  // the name inside the destination, or as written when it climbs out
  bool climbs = false;
};

// Lexical part shared by safepath_clean and safepath_resolve.
CleanedName clean_name(const char* name, unsigned& fixes) {
  const std::string raw = name ? name : "";
  std::size_t start = 0;
  for (;;) {
    if (has_drive_prefix(raw, start)) {
      fixes |= SAFEPATH_FIX_DRIVE;
      start += 2;
    } else if (start < raw.size() && raw[start] == '/') {
      fixes |= SAFEPATH_FIX_ABSOLUTE;
      while (start < raw.size() && raw[start] == '/') ++start;
    } else {
      break;
    }
  }
  std::string rest = raw.substr(start);
  for (char& c : rest) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      c = '_';
      fixes |= SAFEPATH_FIX_BACKSLASH;
    } else if (byte < 0x20 || byte == 0x7F) {
      c = '_';
      fixes |= SAFEPATH_FIX_CONTROL;
    }
  }
  std::vector<std::string> kept;
  std::string written;  // every component but "." and empty ones, for naming a climbing name
  bool climbs = false;
  for (const std::string& part : split_components(rest)) {
    if (part.empty() || part == ".") continue;
    written += (written.empty() ? "" : "/") + part;
    if (part != "..") {
      kept.push_back(part);
    } else if (kept.empty()) {
      climbs = true;
    } else {
      kept.pop_back();
    }
  }
  if (climbs) return {written, true};
  std::string cleaned;
  for (const std::string& part : kept) cleaned += (cleaned.empty() ? "" : "/") + part;
  return {cleaned, false};
}

safepath_result store(const std::string& text, char* out, size_t out_size) {
  if (!out || out_size <= text.size()) return SAFEPATH_TOO_LONG;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return SAFEPATH_OK;
}

bool real_path(const std::string& path, std::string& real) {
  char buffer[PATH_MAX];
  if (!realpath(path.c_str(), buffer)) return false;
  real = buffer;
  return true;
}

bool is_inside(const std::string& real, const std::string& root_real) {
  if (root_real == "/") return true;
  return real == root_real ||
         (real.size() > root_real.size() && real.compare(0, root_real.size(), root_real) == 0 &&
          real[root_real.size()] == '/');
}

std::string root_or_current(const char* root) {
  return root && *root ? std::string(root) : std::string(".");
}

std::string parent_of(const std::string& real) {
  const std::size_t slash = real.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : real.substr(0, slash);
}

// A link whose target does not exist (yet): writing through it would create the
// target, so the folder receiving it must lie inside. folder is the link's real folder.
bool dangling_link_lands_inside(const std::string& root_real, const std::string& folder,
                                const std::string& link) {
  char buffer[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), buffer, sizeof buffer - 1);
  if (length <= 0) return false;
  const std::string target(buffer, static_cast<std::size_t>(length));
  std::string current = target[0] == '/' ? "/" : folder;
  bool missing = false;  // below a missing level everything is lexical
  std::string last;
  for (const std::string& part : split_components(target)) {
    if (part.empty() || part == ".") continue;
    if (!last.empty()) {
      if (last == "..") {
        current = parent_of(current);
      } else {
        std::string next = current == "/" ? "/" + last : current + "/" + last;
        struct stat info;
        if (!missing && lstat(next.c_str(), &info) == 0) {
          // Links inside the target are followed only when they resolve.
          if (S_ISLNK(info.st_mode) && !real_path(next, next)) return false;
        } else {
          missing = true;
        }
        current = next;
      }
    }
    last = part;
  }
  if (last.empty() || last == "..") return false;
  return is_inside(current, root_real);
}

// An open folder, looked into level by level: a deep name costs one step per level
// instead of the whole path again at each.
class OpenFolder {
 public:
  explicit OpenFolder(int fd) : fd_(fd) {}
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  ~OpenFolder() { reset(-1); }
  void reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

constexpr int kLookOnly = O_PATH | O_DIRECTORY | O_CLOEXEC;

// A missing level cannot hold a link; a level that is not a folder, or a name too long,
// fails later, when the caller tries to create something there.
safepath_result end_of_walk(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG ? SAFEPATH_OK
                                                                      : SAFEPATH_IO_ERROR;
}

// Steps from start (a real folder inside root_real) through the existing levels of
// components; any link met must resolve inside root_real. Missing levels end the walk.
safepath_result walk_existing(const std::string& root_real, std::string start,
                              const std::vector<std::string>& components) {
  std::string current = std::move(start);
  OpenFolder folder(open(current.c_str(), kLookOnly));
  if (folder.fd() < 0) return SAFEPATH_IO_ERROR;
  for (const std::string& component : components) {
    current += '/';
    current += component;
    struct stat info;
    if (fstatat(folder.fd(), component.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      return end_of_walk(errno);
    }
    if (S_ISDIR(info.st_mode)) {
      folder.reset(openat(folder.fd(), component.c_str(), kLookOnly | O_NOFOLLOW));
      if (folder.fd() < 0) return SAFEPATH_IO_ERROR;
      continue;
    }
    if (!S_ISLNK(info.st_mode)) return SAFEPATH_OK;  // a file: nothing lies below it
    std::string target_real;
    if (real_path(current, target_real)) {
      if (!is_inside(target_real, root_real)) return SAFEPATH_OUTSIDE;
      current = target_real;
      folder.reset(open(current.c_str(), kLookOnly));
      if (folder.fd() < 0) return end_of_walk(errno);
      continue;
    }
    // A looping link, or a dangling one that is not the last level, cannot be shown
    // to stay inside.
    const bool last_level = &component == &components.back();
    std::string parent;
    if (errno != ENOENT || !last_level || !real_path(parent_of(current), parent) ||
        !dangling_link_lands_inside(root_real, parent, current))
      return SAFEPATH_OUTSIDE;
  }
  return SAFEPATH_OK;
}

}  // namespace

extern "C" safepath_result safepath_clean(const char* name, char* out, size_t out_size,
                                          unsigned* fixes) {
  unsigned found = 0;
  const CleanedName cleaned = clean_name(name, found);
  if (fixes) *fixes = found;
  if (cleaned.climbs) {
    const safepath_result stored = store(cleaned.text, out, out_size);
    return stored == SAFEPATH_OK ? SAFEPATH_OUTSIDE : stored;
  }
  if (cleaned.text.empty()) {
    store("", out, out_size);
    return SAFEPATH_EMPTY;
  }
  return store(cleaned.text, out, out_size);
}

extern "C" safepath_result safepath_resolve(const char* root, const char* name, char* out,
                                            size_t out_size, unsigned* fixes) {
  const safepath_result cleaned = safepath_clean(name, out, out_size, fixes);
  if (cleaned != SAFEPATH_OK) return cleaned;
  std::string root_real;
  if (!real_path(root_or_current(root), root_real)) return SAFEPATH_IO_ERROR;
  return walk_existing(root_real, root_real, split_components(out));
}

extern "C" safepath_result safepath_check_link(const char* root, const char* link_path,
                                               const char* target) {
  if (!target || !*target) return SAFEPATH_EMPTY;
  const std::string target_text = target;
  if (target_text[0] == '/' || has_drive_prefix(target_text, 0)) return SAFEPATH_OUTSIDE;

  std::string root_real;
  if (!real_path(root_or_current(root), root_real)) return SAFEPATH_IO_ERROR;
  unsigned ignored = 0;
  const std::string link_name = clean_name(link_path, ignored).text;
  const std::size_t slash = link_name.rfind('/');
  std::string folder = root_real;
  if (slash != std::string::npos) {
    const safepath_result walked =
        walk_existing(root_real, root_real, split_components(link_name.substr(0, slash)));
    if (walked != SAFEPATH_OK) return walked;
    if (!real_path(root_real + "/" + link_name.substr(0, slash), folder)) return SAFEPATH_IO_ERROR;
  }

  // ".." is allowed only in front: after a name it would climb out of whatever that
  // name becomes later (a link made by a later entry), which cannot be checked now.
  std::vector<std::string> descent;
  for (const std::string& part : split_components(target_text)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!descent.empty() || folder == root_real) return SAFEPATH_OUTSIDE;
      folder.erase(folder.rfind('/'));
      if (folder.empty()) folder = "/";
      if (!is_inside(folder, root_real)) return SAFEPATH_OUTSIDE;
      continue;
    }
    descent.push_back(part);
  }
  return walk_existing(root_real, folder, descent);
}
