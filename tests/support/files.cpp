#include "support/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>

namespace tessaly::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempFolder::~TempFolder() {
  if (path_.empty()) return;
  // Tests take rights away from the folder; it must go all the same.
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TreeOf(const std::filesystem::path& root) {
  std::vector<std::string> entries;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    std::string relative = it->path().lexically_relative(root).string();
    if (it->is_directory() && !it->is_symlink()) relative += "/";
    entries.push_back(relative);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string TreeWithContents(const std::filesystem::path& root) {
  std::string tree;
  for (const std::string& entry : TreeOf(root)) {
    tree += entry;
    const std::filesystem::path path = root / entry;
    if (std::filesystem::is_regular_file(path)) {
      tree += " " + std::to_string(std::hash<std::string>{}(ReadFileText(path))) + " " +
              std::to_string(static_cast<int>(std::filesystem::status(path).permissions()));
    }
    tree += "\n";
  }
  return tree;
}

size_t Occurrences(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

std::string ReadFileText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFileText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

bool SetLocalFileTime(const std::filesystem::path& file, int year, int month, int day, int hour,
                      int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
  return utimensat(AT_FDCWD, file.c_str(), times, 0) == 0;
}

}  // namespace tessaly::testing
