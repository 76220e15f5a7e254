#include "support/libarchive_fixtures.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <functional>

#include "support/files.h"

extern char** environ;

namespace tessaly::testing {

namespace fs = std::filesystem;

int RunTool(const std::vector<std::string>& argv, const fs::path& folder) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void WriteSampleTree(const fs::path& root) {
  fs::create_directories(root / "docs" / "deep");
  fs::create_directories(root / "empty");
  WriteFileText(root / "a.txt", "alpha\n");
  WriteFileText(root / "docs" / "b.txt", "beta\n");
  std::string big;
  for (int i = 0; i < 40000; ++i) big += std::to_string(i * 7919 % 10007) + "\n";
  WriteFileText(root / "docs" / "deep" / "big.txt", big);
  WriteFileText(root / "run.sh", "#!/bin/sh\necho run\n");
  fs::permissions(root / "run.sh", fs::perms(0755));
  fs::create_symlink("../a.txt", root / "docs" / "to-a");
  fs::create_hard_link(root / "docs" / "b.txt", root / "docs" / "b-again.txt");
}

std::vector<std::string> DescribeTree(const fs::path& root) {
  std::vector<std::string> lines;
  for (const std::string& relative : TreeOf(root)) {
    const fs::path path = root / relative;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) continue;
    // Extracted folders stay writable to their owner, whatever the archive says.
    const mode_t mode = S_ISDIR(info.st_mode) ? (info.st_mode | 0700) : info.st_mode;
    std::string line = relative + " " + std::to_string(mode & 07777);
    if (S_ISLNK(info.st_mode)) {
      line += " link " + fs::read_symlink(path).string();
    } else if (S_ISREG(info.st_mode)) {
      const std::string bytes = ReadFileText(path);
      line += " file " + std::to_string(info.st_mtim.tv_sec) + " " + std::to_string(bytes.size()) +
              " " + std::to_string(std::hash<std::string>{}(bytes));
    } else {
      line += " folder";
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace tessaly::testing
