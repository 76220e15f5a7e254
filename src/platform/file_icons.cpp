#include "platform/file_icons.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "platform/ascii_case.h"

namespace tessaly {

std::string IconKeyFor(const std::string& extension) {
  const std::string lower = AsciiLower(extension);

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

const std::vector<std::string>& OtherArchiveExtensions() {
  static const std::vector<std::string> extensions = {
      ".7z",  ".tar", ".tgz", ".tbz2", ".tbz", ".txz", ".tzst",  ".tlz",   ".gz",
      ".bz2", ".xz",  ".zst", ".lz",   ".lz4", ".Z",   ".tar.Z", ".lzma",  ".cpio",
      ".iso", ".cab", ".lzh", ".lha",  ".xar", ".rpm", ".deb",   ".7z.001"};
  return extensions;
}

bool HasOtherArchiveExtension(const std::string& fileName) {
  const std::string lower = AsciiLower(fileName);
  return std::any_of(
      OtherArchiveExtensions().begin(), OtherArchiveExtensions().end(),
      [&](const std::string& extension) { return lower.ends_with(AsciiLower(extension)); });
}

std::string FileIconKey(const std::string& fileName) {
  return HasOtherArchiveExtension(fileName) ? "tessaly" : IconKeyFor(ListExtension(fileName));
}

}  // namespace tessaly
