#include "support/fake_opener.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

namespace tessaly::testing {

namespace {

constexpr const char* kEndMark = "--end--";

std::string OpenerPath(const TempFolder& folder) {
  return (folder.path() / "xdg-open").string();
}

std::string RecordPath(const TempFolder& folder) {
  return (folder.path() / "opened").string();
}

}  // namespace

FakeOpener::FakeOpener() : path_("PATH", folder_.path().string()) {
  WriteFileText(OpenerPath(folder_), "#!/bin/sh\nprintf '%s\\n' \"$@\" '" + std::string(kEndMark) +
                                         "' > '" + RecordPath(folder_) + "'\n");
  std::filesystem::permissions(OpenerPath(folder_), std::filesystem::perms::owner_all);
}

std::vector<std::string> FakeOpener::WaitForArguments() const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(RecordPath(folder_))) {
      std::istringstream lines(ReadFileText(RecordPath(folder_)));
      std::vector<std::string> arguments;
      for (std::string line; std::getline(lines, line);) {
        if (line == kEndMark) return arguments;
        arguments.push_back(line);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

void FakeOpener::FindNothing() {
  WriteFileText(OpenerPath(folder_), "#!/bin/sh\nexit 3\n");
}

void FakeOpener::KeepRunning() {
  WriteFileText(OpenerPath(folder_), "#!/bin/sh\nexec /bin/sleep 1\n");
}

void FakeOpener::Remove() {
  std::filesystem::remove(OpenerPath(folder_));
}

}  // namespace tessaly::testing
