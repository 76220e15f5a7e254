#include "settings/destination_history.h"

#include <string_view>

#include "settings/settings_store.h"

namespace tessaly {
namespace {

constexpr int kHistorySize = 5;
constexpr const char* kHistorySection = "Destination Folder Hist";
constexpr const char* kLastDestinationKey = "Last Used Destination Folder";

std::string SlotKey(int slot) {
  return "folder" + std::to_string(slot);
}

// "/out/" and "/out" are one folder; the root stays "/".
std::string_view WithoutTrailingSlash(std::string_view folder) {
  if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return folder;
}

bool SameFolder(const std::string& stored, const std::string& folder) {
  return !stored.empty() && WithoutTrailingSlash(stored) == WithoutTrailingSlash(folder);
}

}  // namespace

void AddDestinationHistory(ComboBoxModel& destinationBox, const std::string& folder) {
  // One locked update: two copies ending jobs at once would otherwise each write back
  // the history they read and drop the other's folder.
  ApplicationSettings().UpdateSettings([&](SettingsEdit& settings) {
    std::string slots[kHistorySize + 1];
    bool known = false;
    for (int i = 1; i <= kHistorySize; ++i) {
      slots[i] = settings.GetSetting(kHistorySection, SlotKey(i), "");
      if (SameFolder(slots[i], folder)) known = true;
    }
    // An empty folder in front would end the list at once and hide the whole history.
    if (!known && !folder.empty()) {
      for (int i = kHistorySize; i >= 2; --i) {
        settings.SaveSetting(kHistorySection, SlotKey(i), slots[i - 1]);
      }
      settings.SaveSetting(kHistorySection, SlotKey(1), folder);
    }
    settings.SaveSetting("General", kLastDestinationKey, folder);
    return true;
  });

  destinationBox.list.clear();
  destinationBox.text = folder;
  FillDestinationHistory(destinationBox);
}

void FillDestinationHistory(ComboBoxModel& destinationBox) {
  const SettingsStore store = ApplicationSettings();
  for (int i = 1; i <= kHistorySize; ++i) {
    const std::string entry = store.GetSetting(kHistorySection, SlotKey(i), "");
    if (entry.empty()) break;
    destinationBox.list.push_back(entry);
  }
}

std::string StoredLastDestination() {
  return ApplicationSettings().GetSetting("General", kLastDestinationKey, "");
}

}  // namespace tessaly
