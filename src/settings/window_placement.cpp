#include "settings/window_placement.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "settings/settings_store.h"

namespace tessaly {
namespace {

constexpr const char* kWindowSection = "Window Settings";

// A whole number of pixels from the stored text; nothing for text that is not a
// finite number within reach of the screen's coordinates.
std::optional<int> StoredNumber(const SettingsStore& store, const char* key) {
  const std::string text = store.GetSetting(kWindowSection, key, "");
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  while (*end == ' ') ++end;
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  constexpr double kReach = 1e7;
  return static_cast<int>(std::lround(std::clamp(value, -kReach, kReach)));
}

// A first start gets room for the folder names and every column of the list.
constexpr int kComfortableWidth = 900;
constexpr int kComfortableHeight = 600;

// Two thirds of the screen, at least comfortable where the screen has room.
int ComfortableSize(int comfortable, int screen) {
  return std::min(std::max(screen * 2 / 3, comfortable), screen);
}

// The size between the smallest the window may have and the screen's.
int FitSize(std::optional<int> stored, int fallback, int minimum, int screen) {
  return std::max(minimum, std::min(stored.value_or(fallback), screen));
}

// A position at width `from` moved to keep its proportion at width `to`.
int Rescale(int position, int from, int to) {
  if (from <= 0 || to <= 0 || from == to) return position;
  return static_cast<int>(std::lround(static_cast<double>(position) * to / from));
}

// The position that keeps the window on the screen; centred when nothing was stored.
int FitPosition(std::optional<int> stored, int size, int screen) {
  const int centred = screen / 2 - size / 2;
  return std::clamp(stored.value_or(centred), 0, std::max(0, screen - size));
}

}  // namespace

WindowPlacement RestoreWindowPlacement(const WindowPlacement& current, int screenWidth,
                                       int screenHeight) {
  const SettingsStore store = ApplicationSettings();
  WindowPlacement placement;

  const std::optional<int> state = StoredNumber(store, "WinState");
  placement.state = current.state;
  if (state == kWindowNormal || state == kWindowMaximized) placement.state = *state;
  // A window that starts minimized looks as if the program never started.
  if (state == kWindowMinimized) placement.state = kWindowNormal;

  placement.width =
      FitSize(StoredNumber(store, "Width"), ComfortableSize(kComfortableWidth, screenWidth),
              current.width, screenWidth);
  placement.height =
      FitSize(StoredNumber(store, "Height"), ComfortableSize(kComfortableHeight, screenHeight),
              current.height, screenHeight);
  placement.left = FitPosition(StoredNumber(store, "WinPosX"), placement.width, screenWidth);
  placement.top = FitPosition(StoredNumber(store, "WinPosY"), placement.height, screenHeight);
  return placement;
}

void SaveFileTypeFilter(int fileTypeIndex) {
  ApplicationSettings().UpdateSettings([&](SettingsEdit& settings) {
    settings.SaveSetting("General", "Show File Type", std::to_string(fileTypeIndex));
    return true;
  });
}

void SaveSettings(const WindowPlacement& placement, int fileTypeIndex,
                  const std::string& destinationText, const std::string& currentFolder,
                  int splitterPos) {
  ApplicationSettings().UpdateSettings([&](SettingsEdit& settings) {
    settings.SaveSetting(kWindowSection, "WinState", std::to_string(placement.state));
    settings.SaveSetting(kWindowSection, "WinPosX", std::to_string(placement.left));
    settings.SaveSetting(kWindowSection, "WinPosY", std::to_string(placement.top));
    settings.SaveSetting(kWindowSection, "Width", std::to_string(placement.width));
    settings.SaveSetting(kWindowSection, "Height", std::to_string(placement.height));
    settings.SaveSetting("General", "Show File Type", std::to_string(fileTypeIndex));
    settings.SaveSetting("General", "Last Used Destination Folder", destinationText);
    settings.SaveSetting("General", "Last Used Source Folder", currentFolder);
    settings.SaveSetting(kWindowSection, "Splitter Pos", std::to_string(splitterPos));
    return true;
  });
}

int SplitterPosSetting(int defaultLeft) {
  const std::optional<int> stored = StoredNumber(ApplicationSettings(), "Splitter Pos");
  return stored && *stored >= 0 ? *stored : defaultLeft;
}

int SplitterPosToSave(int left, int containerWidth, int normalContainerWidth) {
  return Rescale(left, containerWidth, normalContainerWidth);
}

int SplitterLeftFromSaved(int splitterPos, int normalContainerWidth, int containerWidth) {
  return Rescale(splitterPos, normalContainerWidth, containerWidth);
}

}  // namespace tessaly
