#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tessaly {

bool FileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool ExecutableFileExists(const std::string& path) {
  return FileExists(path) && access(path.c_str(), X_OK) == 0;
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string CreateFolder(const std::string& path) {
  if (path.empty()) return std::strerror(ENOENT);
  if (mkdir(path.c_str(), 0777) == 0) return "";
  return std::strerror(errno);
}

bool DeleteFile(const std::string& path) {
  if (!FileExists(path)) return false;
  return unlink(path.c_str()) == 0;
}

std::string CurrentDirectory() {
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::string() : current.string();
}

}  // namespace tessaly
