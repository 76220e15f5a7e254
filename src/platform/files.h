// The few file-system services the engine needs, on plain POSIX paths.
#pragma once

#include <string>

namespace tessaly {

// A regular file (not a folder, not a device) exists at path.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// A regular file at path that this process may run.
bool ExecutableFileExists(const std::string& path);
// Creates one folder level. Returns "" on success, else the system's error text.
std::string CreateFolder(const std::string& path);
// Removes a regular file; true when it is gone.
bool DeleteFile(const std::string& path);
// The process's working directory ("" when it cannot be read).
std::string CurrentDirectory();

}  // namespace tessaly
