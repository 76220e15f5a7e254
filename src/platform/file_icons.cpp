#include "platform/file_icons.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <utility>

namespace tessaly {

std::string IconKeyFor(const std::string& extension) {
  std::string lower = extension;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

  static constexpr std::array<std::string_view, 18> kOwnKeys = {
      "dll", "inf", "exe", "bas", "gif", "txt", "dat", "bat", "hlp",
      "bmp", "led", "frm", "vbg", "h",   "cpp", "vbp", "ctl", "avi"};
  if (std::find(kOwnKeys.begin(), kOwnKeys.end(), lower) != kOwnKeys.end()) return lower;

  static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kAliases = {{
      {"jpg", "gif"},
      {"com", "exe"},
      {"mpg", "avi"},
      {"mov", "avi"},
      {"ini", "inf"},
      {"ace", "tessaly"},
      {"zip", "tessaly"},
      {"rar", "tessaly"},
      {"arj", "tessaly"},
  }};
  for (const auto& [from, to] : kAliases) {
    if (from == lower) return std::string(to);
  }
  return "Others";
}

std::string ListExtension(const std::string& fileName) {
  const size_t dot = fileName.find('.');
  if (dot == std::string::npos) return fileName.substr(0, 3);
  return fileName.substr(dot + 1, 3);
}

}  // namespace tessaly
