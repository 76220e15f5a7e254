// The destination history. Its fill at start-up is the main window's tests' part.
#include "shell/destination_history.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/isolated_settings.h"
#include "settings/reg_settings.h"

namespace tessaly {
namespace {

class DestinationHistoryTest : public testing::IsolatedSettingsTest {
 protected:
  std::vector<std::string> StoredHistory() const {
    std::vector<std::string> slots;
    for (int i = 1; i <= 5; ++i) {
      slots.push_back(Reg.GetSetting("Destination Folder Hist", "folder" + std::to_string(i), ""));
    }
    return slots;
  }

  void Add(const std::string& folder) { AddDestinationHistory(Combo1, folder); }

  CRegSettings Reg = ApplicationSettings();
  ComboBoxModel Combo1;
};

TEST_F(DestinationHistoryTest, NewestFirstAndTheSixthDropsTheOldest) {
  Combo1.list = {"left over"};
  Add("/out/1/");
  EXPECT_EQ(Combo1.text, "/out/1/");
  EXPECT_EQ(Combo1.list, (std::vector<std::string>{"/out/1/"}));
  EXPECT_EQ(StoredHistory(), (std::vector<std::string>{"/out/1/", "", "", "", ""}));

  for (const char* folder : {"/out/2/", "/out/3/", "/out/4/", "/out/5/"}) Add(folder);
  EXPECT_EQ(StoredHistory(),
            (std::vector<std::string>{"/out/5/", "/out/4/", "/out/3/", "/out/2/", "/out/1/"}));

  Add("/out/6/");
  const std::vector<std::string> expected = {"/out/6/", "/out/5/", "/out/4/", "/out/3/", "/out/2/"};
  EXPECT_EQ(StoredHistory(), expected);
  EXPECT_EQ(Combo1.list, expected);
  EXPECT_EQ(Reg.GetSetting("General", "Last Used Destination Folder", ""), "/out/6/");
}

TEST_F(DestinationHistoryTest, AFolderAlreadyKnownLeavesTheOrder) {
  for (const char* folder : {"/a/", "/b/", "/c/"}) Add(folder);
  Add("/a/");
  const std::vector<std::string> expected = {"/c/", "/b/", "/a/"};
  EXPECT_EQ(StoredHistory(), (std::vector<std::string>{"/c/", "/b/", "/a/", "", ""}));
  EXPECT_EQ(Combo1.list, expected);
  EXPECT_EQ(Combo1.text, "/a/");
  EXPECT_EQ(Reg.GetSetting("General", "Last Used Destination Folder", ""), "/a/");

  Add("/A/");  // case counts
  EXPECT_EQ(Combo1.list, (std::vector<std::string>{"/A/", "/c/", "/b/", "/a/"}));
}

TEST_F(DestinationHistoryTest, TheListStopsAtTheFirstEmptySlot) {
  ASSERT_TRUE(Reg.SaveSetting("Destination Folder Hist", "folder1", "/one/"));
  ASSERT_TRUE(Reg.SaveSetting("Destination Folder Hist", "folder3", "/three/"));
  // "/three/" is found past the gap, so nothing moves.
  Add("/three/");
  EXPECT_EQ(Combo1.list, (std::vector<std::string>{"/one/"}));
  EXPECT_EQ(StoredHistory(), (std::vector<std::string>{"/one/", "", "/three/", "", ""}));

  Add("/new/");
  EXPECT_EQ(Combo1.list, (std::vector<std::string>{"/new/", "/one/"}));
  EXPECT_EQ(StoredHistory(), (std::vector<std::string>{"/new/", "/one/", "", "/three/", ""}));
}

TEST_F(DestinationHistoryTest, AnEmptyFolderNeverHidesAFullHistory) {
  for (const char* folder : {"/1/", "/2/", "/3/", "/4/", "/5/"}) Add(folder);
  Add("");
  EXPECT_EQ(StoredHistory(), (std::vector<std::string>{"/5/", "/4/", "/3/", "/2/", "/1/"}));
  EXPECT_EQ(Combo1.text, "");
  EXPECT_EQ(Combo1.list.size(), 5u);
  EXPECT_EQ(Reg.GetSetting("General", "Last Used Destination Folder", "unset"), "unset");
}

}  // namespace
}  // namespace tessaly
