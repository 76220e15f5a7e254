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
#include "support/scripted_dialogs.h"

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

// Only an opener that fails in time is a failure, and Explore says so; the window lives on.
TEST(DesktopOpenTest, AnOpenerThatFailsOrIsMissingIsAFailure) {
  struct Row {
    const char* name;
    void (FakeOpener::*change)();
    int want;
  };
  const Row rows[] = {
      {"finds no application", &FakeOpener::FindNothing, kDesktopOpenNoOpener},
      {"not installed", &FakeOpener::Remove, kDesktopOpenNoOpener},
      {"still running", &FakeOpener::KeepRunning, kDesktopOpenStarted},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeOpener opener;
    (opener.*row.change)();
    CountingPump pump;
    EXPECT_EQ(OpenWithDesktop("/tmp", pump, std::chrono::milliseconds(200)), row.want);
    if (row.change == &FakeOpener::KeepRunning) {
      EXPECT_GT(pump.pumps, 5) << "the window stays alive while the opener runs";
    } else {
      ScriptedDialogs dialogs;
      ExploreFolder("/tmp", pump, dialogs);
      EXPECT_EQ(dialogs.messages.at(0).text, "Tessaly could not open the folder \"/tmp\".");
    }
  }
  EXPECT_TRUE(ZombiesGoneWithin(std::chrono::seconds(3)))
      << "the opener left running was not reaped";
}

}  // namespace
}  // namespace tessaly::testing
