#include "zip_split_parts.h"

#include "zip_file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <utility>

namespace unzip {
namespace {

bool is_regular_file(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool has_zip_extension(const std::string& path) {
  if (path.size() < 5 || path[path.size() - 4] != '.') return false;
  std::string extension = path.substr(path.size() - 3);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == "zip";
}

// "01" for the first disk; numbers past 99 simply grow a digit.
std::string disk_number_text(uint64_t disk) {
  std::string number = std::to_string(disk + 1);
  return number.size() < 2 ? "0" + number : number;
}

}  // namespace

std::optional<std::vector<std::string>> find_split_parts(const std::string& last_part,
                                                         uint64_t disk_count) {
  if (disk_count == 0 || !has_zip_extension(last_part)) return std::nullopt;
  const std::string stem = last_part.substr(0, last_part.size() - 3);
  // The letter case of the given name first, as the set was most likely written so.
  const char given = last_part[last_part.size() - 3];
  const char letters[] = {given, 'z', 'Z'};
  std::vector<std::string> parts;
  for (uint64_t disk = 0; disk + 1 < disk_count; ++disk) {
    const std::string number = disk_number_text(disk);
    std::optional<std::string> found;
    for (char letter : letters) {
      std::string candidate = stem + letter + number;
      if (is_regular_file(candidate)) {
        found = std::move(candidate);
        break;
      }
    }
    if (!found) return std::nullopt;
    parts.push_back(std::move(*found));
  }
  parts.push_back(last_part);
  return parts;
}

PartChain::~PartChain() {
  if (fd_ >= 0) close(fd_);
}

bool PartChain::open(std::vector<std::string> paths) {
  paths_ = std::move(paths);
  starts_.assign(1, 0);
  for (const std::string& path : paths_) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) return false;
    starts_.push_back(starts_.back() + static_cast<uint64_t>(info.st_size));
  }
  return true;
}

bool PartChain::read(uint64_t offset, unsigned char* buffer, uint64_t length, zip_error_t* error) {
  if (offset > size() || length > size() - offset) {
    zip_error_set(error, ZIP_ER_EOF, 0);
    return false;
  }
  // The part holding offset: the last one that starts at or before it.
  auto part = static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                                       starts_.begin() - 1);
  while (length > 0) {
    const uint64_t within = offset - starts_[part];
    const uint64_t count = std::min(length, starts_[part + 1] - starts_[part] - within);
    if (count > 0 && !read_part(part, within, buffer, count, error)) return false;
    buffer += count;
    offset += count;
    length -= count;
    ++part;
  }
  return true;
}

bool PartChain::read_part(std::size_t part, uint64_t offset, unsigned char* buffer, uint64_t length,
                          zip_error_t* error) {
  if (fd_ < 0 || open_part_ != part) {
    if (fd_ >= 0) close(fd_);
    fd_ = ::open(paths_[part].c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      zip_error_set(error, ZIP_ER_OPEN, errno);
      return false;
    }
    open_part_ = part;
  }
  // A part that shrank since the set was opened ends the read.
  return read_exact(fd_, offset, buffer, length, error);
}

}  // namespace unzip
