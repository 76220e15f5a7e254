// The favourites: the slots in the settings, the menu that shows them, Add to Favorites
// and the list of the Edit Favorite Folders dialog.
#include "shell/favourites.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "settings/isolated_settings.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

using testing::ReadFileText;
using testing::RecordedMessage;
using testing::ScriptedDialogs;
using testing::WriteFileText;

constexpr const char* kAlreadyListed = "Your favorite folders list already contains this folder.";
constexpr const char* kNoFreeSlot =
    "Your favorite folder list cannot contain more than five entries.";

// The visible entries as "caption" or "caption (disabled)", the hidden ones left out.
std::vector<std::string> Shown(const FavouritesMenu& menu) {
  std::vector<std::string> shown;
  for (const FavouriteEntry& entry : menu) {
    if (entry.visible) shown.push_back(entry.caption + (entry.enabled ? "" : " (disabled)"));
  }
  return shown;
}

class FavouritesTest : public testing::IsolatedSettingsTest {
 protected:
  void Store(const FavouriteFolders& folders) {
    std::filesystem::remove(SettingsFile());
    for (int i = 0; i < kFavouriteSlots; ++i) {
      if (!folders[i].empty()) store.SaveSetting("Favorite Folders", Key(i), folders[i]);
    }
  }
  static std::string Key(int slot) { return "folder" + std::to_string(slot); }

  SettingsStore store = ApplicationSettings();
  ScriptedDialogs dialogs;
};

TEST_F(FavouritesTest, AddToFavoritesTakesTheFirstFreeSlotOrSaysWhyNot) {
  const FavouriteFolders full = {"/1/", "/2/", "/3/", "/4/", "/5/"};
  const struct {
    const char* name;
    FavouriteFolders before;
    std::string folder;
    FavouriteFolders after;
    std::string message;  // the "Added" text, or the refusal
  } kRows[] = {
      {"first", {}, "/a/", {"/a/"}, "\"/a\" has been added to your favorites list."},
      {"into the gap", {"/a/", "", "/c/"}, "/b/", {"/a/", "/b/", "/c/"}, "\"/b\" has"},
      {"the root", {}, "/", {"/"}, "\"/\" has been added to your favorites list."},
      {"case counts", {"/a/"}, "/A/", {"/a/", "/A/"}, "\"/A\" has"},
      {"listed", {"/a/", "/b/"}, "/b/", {"/a/", "/b/"}, kAlreadyListed},
      {"listed without its slash", {"/a", "/b"}, "/b/", {"/a", "/b"}, kAlreadyListed},
      {"full", full, "/6/", full, kNoFreeSlot},
      {"full and listed last", full, "/5/", full, kAlreadyListed},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    Store(row.before);
    dialogs.messages.clear();
    FavouritesMenu menu = StartupFavouritesMenu(ReadFavourites());
    const std::vector<std::string> shownBefore = Shown(menu);
    AddToFavourites(dialogs, row.folder, menu);

    EXPECT_EQ(ReadFavourites(), row.after);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const RecordedMessage& box = dialogs.messages[0];
    EXPECT_EQ(box.buttons, MsgButtons::OK);
    if (row.after == row.before) {
      EXPECT_EQ(box.text, row.message);
      EXPECT_EQ(box.title, "Oops!");
      EXPECT_EQ(box.icon, MsgIcon::Exclamation);
      EXPECT_EQ(Shown(menu), shownBefore);
    } else {
      EXPECT_EQ(box.text.rfind(row.message, 0), 0u) << box.text;
      EXPECT_EQ(box.title, "Added");
      EXPECT_EQ(box.icon, MsgIcon::None);
      EXPECT_EQ(Shown(menu), Shown(StartupFavouritesMenu(row.after)));
    }
  }
}

TEST_F(FavouritesTest, TheMenuShowsTheFilledSlotsFromTheFirstOn) {
  // Slot 0 empty (a list edited outside the program): no favourites at all.
  EXPECT_EQ(Shown(StartupFavouritesMenu({"", "/b/"})),
            std::vector<std::string>{"(Empty) (disabled)"});
  // A "&" of a folder's name is shown, not taken as the access key.
  EXPECT_EQ(Shown(StartupFavouritesMenu({"/a/", "", "/R&D/"})),
            (std::vector<std::string>{"1.  /a/", "3.  /R&&D/"}));
}

TEST_F(FavouritesTest, TheDialogsListAddsRemovesAndIsSavedByDone) {
  Store({"/a/", "", "/c/"});
  FavouritesEditor editor;
  editor.Load(NoFavouritesMenu());
  EXPECT_TRUE(editor.Folders().empty());
  editor.Load(StartupFavouritesMenu(ReadFavourites()));
  EXPECT_EQ(editor.Folders(), (std::vector<std::string>{"/a/", "/c/"}));

  const struct {
    const char* folder;
    const char* refusal;  // "" when added
  } kAdds[] = {{"/c", "List already contains this folder."},
               {"/d/", ""},
               {"", ""},  // a virtual node of the tree adds nothing
               {"/e/", ""},
               {"/f/", ""},
               {"/g/", "Favorite folder list cannot contain more than five entries."}};
  for (const auto& add : kAdds) {
    SCOPED_TRACE(add.folder);
    dialogs.messages.clear();
    editor.Add(dialogs, add.folder);
    if (*add.refusal == '\0') {
      EXPECT_TRUE(dialogs.messages.empty());
    } else {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].text, add.refusal);
      EXPECT_EQ(dialogs.messages[0].title, "Oops!");
      EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    }
  }
  EXPECT_EQ(editor.Folders(), (std::vector<std::string>{"/a/", "/c/", "/d/", "/e/", "/f/"}));

  const struct {
    int selected;
    std::vector<std::string> left;
    int selectedAfter;
  } kRemoves[] = {{-1, {"/a/", "/c/", "/d/", "/e/", "/f/"}, -1},
                  {1, {"/a/", "/d/", "/e/", "/f/"}, 1},
                  {3, {"/a/", "/d/", "/e/"}, 2}};
  for (const auto& remove : kRemoves) {
    SCOPED_TRACE(remove.selected);
    editor.selected = remove.selected;
    editor.Remove();
    EXPECT_EQ(editor.Folders(), remove.left);
    EXPECT_EQ(editor.selected, remove.selectedAfter);
  }

  EXPECT_EQ(Shown(editor.Done()), (std::vector<std::string>{"&1.  /a/", "&2.  /d/", "&3.  /e/"}));
  EXPECT_EQ(ReadFavourites(), (FavouriteFolders{"/a/", "/d/", "/e/"}));
  for (int i = 0; i < 3; ++i) editor.Remove();
  EXPECT_EQ(Shown(editor.Done()), Shown(NoFavouritesMenu()));
  // The keys are deleted, not emptied.
  EXPECT_FALSE(std::regex_search(ReadFileText(SettingsFile()), std::regex("folder[0-4]")));
}

}  // namespace
}  // namespace tessaly
