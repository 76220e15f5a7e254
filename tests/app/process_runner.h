// Runs a program as a child process with the given standard input, working folder and
// extra environment, and collects what it printed and how it ended.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::testing {

struct ProcessResult {
  int exitStatus = -1;  // -1 when the process did not exit normally
  int signal = 0;       // the signal that ended it, 0 when it exited
  std::string out;
  std::string err;
};

struct ProcessRequest {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::string input;
  std::filesystem::path workDir;
  std::vector<std::pair<std::string, std::string>> environment;  // set in the child only
};

ProcessResult RunProcess(const ProcessRequest& request);

// A fresh folder under the system temp folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Everything below root as sorted relative paths, folders ending in "/".
std::vector<std::string> TreeOf(const std::filesystem::path& root);
std::string ReadFileText(const std::filesystem::path& file);
void WriteFileText(const std::filesystem::path& file, const std::string& text);

}  // namespace tessaly::testing
