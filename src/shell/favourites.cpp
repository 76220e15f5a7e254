#include "shell/favourites.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "platform/dialogs.h"
#include "settings/settings_store.h"

namespace tessaly {
namespace {

// The favourites have always been written under one spelling and read under the
// other; names compare without regard to case, so both are the one section.
constexpr const char* kWrittenSection = "Favorite folders";
constexpr const char* kReadSection = "Favorite Folders";

std::string SlotKey(int slot) {
  return "folder" + std::to_string(slot);
}

// "/a/" and "/a" are one folder; the root stays "/".
std::string_view WithoutTrailingSlash(std::string_view folder) {
  if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return folder;
}

bool SameFolder(const std::string& listed, const std::string& folder) {
  return !listed.empty() && WithoutTrailingSlash(listed) == WithoutTrailingSlash(folder);
}

// A "&" in a folder's name is text, not the entry's access key.
std::string EntryCaption(int slot, const std::string& folder, bool accessKey) {
  std::string caption = accessKey ? "&" : "";
  caption += std::to_string(slot + 1) + ".  ";
  for (char c : folder) {
    caption += c;
    if (c == '&') caption += '&';
  }
  return caption;
}

FavouritesMenu MenuShowing(const FavouriteFolders& folders, bool accessKeys) {
  FavouritesMenu menu;
  for (int i = 0; i < kFavouriteSlots; ++i) {
    const std::string& folder = folders[static_cast<size_t>(i)];
    FavouriteEntry& entry = menu[static_cast<size_t>(i)];
    entry.visible = entry.enabled = !folder.empty();
    if (!folder.empty()) entry.caption = EntryCaption(i, folder, accessKeys);
  }
  return menu;
}

void WriteSlots(SettingsEdit& settings, const FavouriteFolders& folders) {
  for (int i = 0; i < kFavouriteSlots; ++i) {
    const std::string& folder = folders[static_cast<size_t>(i)];
    if (folder.empty()) {
      settings.DeleteSetting(kWrittenSection, SlotKey(i));
    } else {
      settings.SaveSetting(kWrittenSection, SlotKey(i), folder);
    }
  }
}

enum class Placing { Placed, AlreadyListed, NoFreeSlot };

// The first empty slot takes folder, unless a slot before it holds the folder already.
Placing PlaceFolder(FavouriteFolders& folders, const std::string& folder) {
  for (std::string& slot : folders) {
    if (slot.empty()) {
      slot = folder;
      return Placing::Placed;
    }
    if (SameFolder(slot, folder)) return Placing::AlreadyListed;
  }
  return Placing::NoFreeSlot;
}

void Refuse(Dialogs& dialogs, const char* text) {
  dialogs.MessageBox({text, MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
}

}  // namespace

FavouritesMenu NoFavouritesMenu() {
  FavouritesMenu menu;
  menu[0] = {kNoFavouritesCaption, true, false};
  for (int i = 1; i < kFavouriteSlots; ++i) menu[static_cast<size_t>(i)] = {"", false, false};
  return menu;
}

bool ShowsNoFavourites(const FavouritesMenu& menu) {
  return menu[0].caption == kNoFavouritesCaption;
}

FavouriteFolders ReadFavourites() {
  const SettingsStore store = ApplicationSettings();
  FavouriteFolders folders;
  for (int i = 0; i < kFavouriteSlots; ++i) {
    folders[static_cast<size_t>(i)] = store.GetSetting(kReadSection, SlotKey(i), "");
  }
  return folders;
}

FavouritesMenu StartupFavouritesMenu(const FavouriteFolders& folders) {
  if (folders[0].empty()) return NoFavouritesMenu();
  return MenuShowing(folders, false);
}

void AddToFavourites(Dialogs& dialogs, const std::string& folder, FavouritesMenu& menu) {
  if (folder.empty()) return;
  // Read, placed and written under the file's lock, so that a copy of the program
  // adding at the same time loses nothing; the messages come after.
  FavouriteFolders folders;
  std::optional<Placing> placing;
  ApplicationSettings().UpdateSettings([&](SettingsEdit& settings) {
    for (int i = 0; i < kFavouriteSlots; ++i) {
      folders[static_cast<size_t>(i)] = settings.GetSetting(kWrittenSection, SlotKey(i), "");
    }
    placing = PlaceFolder(folders, folder);
    if (*placing != Placing::Placed) return false;
    WriteSlots(settings, folders);
    return true;
  });
  // A settings file that cannot be read holds no favourites.
  if (!placing) placing = PlaceFolder(folders, folder);
  switch (*placing) {
    case Placing::AlreadyListed:
      Refuse(dialogs, "Your favorite folders list already contains this folder.");
      return;
    case Placing::NoFreeSlot:
      Refuse(dialogs, "Your favorite folder list cannot contain more than five entries.");
      return;
    case Placing::Placed:
      break;
  }
  menu = MenuShowing(folders, false);
  dialogs.MessageBox({"\"" + std::string(WithoutTrailingSlash(folder)) +
                          "\" has been added to your favorites list.",
                      MsgButtons::OK, MsgIcon::None, "Added"});
}

void FavouritesEditor::Load(const FavouritesMenu& menu) {
  folders_.clear();
  selected = -1;
  if (ShowsNoFavourites(menu)) return;
  for (const std::string& folder : ReadFavourites()) {
    if (!folder.empty()) folders_.push_back(folder);
  }
}

void FavouritesEditor::Add(Dialogs& dialogs, const std::string& folder) {
  if (folder.empty()) return;
  for (const std::string& listed : folders_) {
    if (SameFolder(listed, folder)) {
      Refuse(dialogs, "List already contains this folder.");
      return;
    }
  }
  if (folders_.size() >= kFavouriteSlots) {
    Refuse(dialogs, "Favorite folder list cannot contain more than five entries.");
    return;
  }
  folders_.push_back(folder);
}

void FavouritesEditor::Remove() {
  if (selected < 0 || static_cast<size_t>(selected) >= folders_.size()) return;
  folders_.erase(folders_.begin() + selected);
  const int remaining = static_cast<int>(folders_.size());
  selected = remaining == 0 ? -1 : std::min(selected, remaining - 1);
}

FavouritesMenu FavouritesEditor::Done() const {
  FavouriteFolders folders;
  for (size_t i = 0; i < folders_.size() && i < folders.size(); ++i) folders[i] = folders_[i];
  ApplicationSettings().UpdateSettings([&](SettingsEdit& settings) {
    WriteSlots(settings, folders);
    return true;
  });
  return folders_.empty() ? NoFavouritesMenu() : MenuShowing(folders, true);
}

}  // namespace tessaly
