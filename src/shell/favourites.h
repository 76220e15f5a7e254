// The favourite folders: five slots in the settings, the five entries of Navigate >
// Favorites that show them, the Add to Favorites command and what the Edit Favorite
// Folders dialog does with its list.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tessaly {

class Dialogs;

inline constexpr int kFavouriteSlots = 5;
// Slots folder0..folder4; "" is an empty slot.
using FavouriteFolders = std::array<std::string, kFavouriteSlots>;

// One entry of Navigate > Favorites. "&" in the caption marks the access key and
// "&&" shows as one "&", as in every menu caption.
struct FavouriteEntry {
  std::string caption;
  bool visible = true;
  bool enabled = true;
};
using FavouritesMenu = std::array<FavouriteEntry, kFavouriteSlots>;

inline constexpr const char* kNoFavouritesCaption = "(Empty)";

// The menu as designed: the first entry says "(Empty)" and is disabled, the others hidden.
FavouritesMenu NoFavouritesMenu();
bool ShowsNoFavourites(const FavouritesMenu& menu);

// The stored slots; a missing key is an empty slot.
FavouriteFolders ReadFavourites();
// The menu at start-up: none when slot 0 is empty (a list edited outside the program),
// else one enabled entry "<n>.  <folder>" per filled slot, the empty ones hidden.
FavouritesMenu StartupFavouritesMenu(const FavouriteFolders& folders);

// Add to Favorites for folder (the folder browsed): the first empty slot takes it,
// unless a slot before it holds the folder already or all five are taken, each of which
// is said in a message box and changes nothing. Otherwise the menu follows, the slots
// are saved and the "Added" box names the folder. Without a folder (a virtual node of
// the tree) nothing happens.
void AddToFavourites(Dialogs& dialogs, const std::string& folder, FavouritesMenu& menu);

// The list of the Edit Favorite Folders dialog and what its buttons do to it.
class FavouritesEditor {
 public:
  // The stored favourites in slot order, unless the menu shows none.
  void Load(const FavouritesMenu& menu);
  const std::vector<std::string>& Folders() const { return folders_; }
  // Add: the folder selected in the dialog's tree goes to the end of the list, unless
  // the list holds it or is full (each said in a message box). "" (a virtual node) adds nothing.
  void Add(Dialogs& dialogs, const std::string& folder);
  // Remove: the selected row goes; the row at its place, else the last, is selected.
  void Remove();
  // Done: the list is saved to the slots (the keys of empty slots deleted) and the
  // menu that shows it is returned.
  FavouritesMenu Done() const;

  int selected = -1;  // the selected row; -1 for none

 private:
  std::vector<std::string> folders_;
};

}  // namespace tessaly
