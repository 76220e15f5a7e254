// The desktop opener is started without a shell and without waiting for it.
#include "platform/desktop_open.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "support/fake_opener.h"

namespace tessaly::testing {
namespace {

// Children of this process that ended and were never waited for.
int ZombieChildren() {
  int zombies = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    // pid (comm) state ppid ...: comm may hold blanks, so read after its ")".
    const auto close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long parent = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) != 2) continue;
    if (state == 'Z' && parent == getpid()) ++zombies;
  }
  return zombies;
}

bool ZombiesGoneWithin(std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (ZombieChildren() > 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(DesktopOpenTest, ThePathReachesTheOpenerAsOneArgumentWhateverItHolds) {
  FakeOpener opener;
  const std::string path = "/tmp/a folder/it's \"$HOME\" & `x`;*";
  EXPECT_EQ(OpenWithDesktop(path), kDesktopOpenStarted);
  EXPECT_EQ(opener.WaitForArguments(), std::vector<std::string>{path});
  EXPECT_TRUE(ZombiesGoneWithin(std::chrono::seconds(3))) << "the ended opener was not reaped";
}

TEST(DesktopOpenTest, WithoutAnOpenerNothingStarts) {
  FakeOpener opener;
  opener.Remove();
  EXPECT_EQ(OpenWithDesktop("/tmp"), kDesktopOpenNoOpener);
}

}  // namespace
}  // namespace tessaly::testing
