// Temporary folders and whole-file reads and writes for every test of the program.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tessaly::testing {

// A fresh folder under the system temp folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A name in the folder as the text the writers and the libraries' C APIs take.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Everything below root as sorted relative paths, folders ending in "/".
std::vector<std::string> TreeOf(const std::filesystem::path& root);
// The same, a line each, with a file's bytes (as a hash) and permissions.
std::string TreeWithContents(const std::filesystem::path& root);
// How often needle occurs in text.
size_t Occurrences(const std::string& text, const std::string& needle);
std::string ReadFileText(const std::filesystem::path& file);
void WriteFileText(const std::filesystem::path& file, const std::string& text);
// Dates file (access and modification) at a local time, as archivers store it; false
// when it cannot.
bool SetLocalFileTime(const std::filesystem::path& file, int year, int month, int day, int hour,
                      int minute, int second);

// A stub as self-extracting files start: a program header, then padding.
inline std::string SfxStub() {
  return "MZ" + std::string(4094, '\0');
}

}  // namespace tessaly::testing
