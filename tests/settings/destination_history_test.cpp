// The destination history. Its fill at start-up is the main window's tests' part.
#include "settings/destination_history.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "settings/isolated_settings.h"
#include "settings/settings_store.h"

namespace tessaly {
namespace {

using History = std::vector<std::string>;

class DestinationHistoryTest : public testing::IsolatedSettingsTest {
 protected:
  static std::string Slot(size_t i) { return "folder" + std::to_string(i + 1); }

  History StoredHistory() const {
    History slots;
    for (size_t i = 0; i < 5; ++i) slots.push_back(store.GetSetting(kSection, Slot(i), ""));
    return slots;
  }

  static constexpr const char* kSection = "Destination Folder Hist";
  SettingsStore store = ApplicationSettings();
};

// The same folder written with and without its trailing "/" was added twice.
TEST_F(DestinationHistoryTest, AFolderWithOrWithoutItsSlashIsOneEntry) {
  const struct {
    const char* name;
    History before;
    std::string added;
    History after;  // the list shown is this up to its first empty slot
  } kRows[] = {
      {"known without its slash",
       {"/c/", "/out4", "/a/"},
       "/out4/",
       {"/c/", "/out4", "/a/", "", ""}},
      {"known with its slash", {"/c/", "/out4/", "/a/"}, "/out4", {"/c/", "/out4/", "/a/", "", ""}},
      {"slash and case", {"/c/", "/out4"}, "/OUT4/", {"/OUT4/", "/c/", "/out4", "", ""}},
      {"the root", {"/c/", "/b/"}, "/", {"/", "/c/", "/b/", "", ""}},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove(SettingsFile());
    for (size_t i = 0; i < row.before.size(); ++i) {
      ASSERT_TRUE(store.SaveSetting(kSection, Slot(i), row.before[i]));
    }
    ComboBoxModel destinationBox;
    destinationBox.list = {"left over"};
    AddDestinationHistory(destinationBox, row.added);

    EXPECT_EQ(StoredHistory(), row.after);
    History shown;
    for (const std::string& folder : row.after) {
      if (folder.empty()) break;
      shown.push_back(folder);
    }
    EXPECT_EQ(destinationBox.list, shown);
    EXPECT_EQ(destinationBox.text, row.added);
    EXPECT_EQ(store.GetSetting("General", "Last Used Destination Folder", "unset"), row.added);
  }
}

// Two copies of the program finishing jobs at the same moment.
TEST_F(DestinationHistoryTest, TwoProcessesAddingAtOnceLoseNoDestination) {
  constexpr int kRounds = 6;
  const auto folder = [](int process, int n) {
    return "/out/" + std::to_string(process) + "/" + std::to_string(n) + "/";
  };
  for (int round = 0; round < kRounds && !HasFailure(); ++round) {
    std::filesystem::remove(SettingsFile());
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t children[2];
    for (int process = 0; process < 2; ++process) {
      children[process] = fork();
      ASSERT_GE(children[process], 0);
      if (children[process] == 0) {
        close(start[1]);
        char go;
        (void)!read(start[0], &go, 1);  // returns once the parent closes its end
        ComboBoxModel destinationBox;
        for (int n = 0; n < 2; ++n) AddDestinationHistory(destinationBox, folder(process, n));
        _exit(0);
      }
    }
    close(start[0]);
    close(start[1]);
    for (pid_t child : children) {
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const History history = StoredHistory();
    SCOPED_TRACE("round " + std::to_string(round) + ": " + ::testing::PrintToString(history));
    const auto slotOf = [&](const std::string& entry) {
      return std::find(history.begin(), history.end(), entry) - history.begin();
    };
    for (int process = 0; process < 2; ++process) {
      EXPECT_LT(slotOf(folder(process, 0)), 5) << folder(process, 0);
      EXPECT_LT(slotOf(folder(process, 1)), slotOf(folder(process, 0))) << folder(process, 1);
    }
  }
}

}  // namespace
}  // namespace tessaly
