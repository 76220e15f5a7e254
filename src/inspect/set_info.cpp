#include "inspect/set_info.h"

#include <sys/stat.h>

#include <algorithm>

#include "engine/arj/arj_headers.h"
#include "engine/libarchive/libarchive_reader.h"
#include "platform/ascii_case.h"
#include "platform/file_icons.h"
#include "platform/folder_listing.h"

namespace tessaly {

namespace {

// The regular files a wildcard search for pattern (a path whose last part may hold
// "*") finds, in name order, with their sizes and dates. Folders and dot files are
// never found.
std::vector<FileListItem> FindFiles(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string folder = slash == std::string::npos ? "./" : pattern.substr(0, slash + 1);
  const std::string namePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  std::vector<FileListItem> found = ListFolder(folder, namePattern);
  std::erase_if(found, [](const FileListItem& item) { return !item.tag.empty(); });
  for (FileListItem& item : found) LoadFileDetails(folder, item);
  return found;
}

void AddVolume(SetInfo& info, const std::string& name, int64_t modified, uint64_t bytes) {
  info.volumes.push_back({name, modified, bytes});
  info.totalBytes = info.totalBytes.value_or(0) + bytes;
}

void AddVolume(SetInfo& info, const FileListItem& file) {
  AddVolume(info, file.text, file.mtime, file.bytes);
}

void AddVolumeFiles(SetInfo& info, const std::vector<std::string>& paths) {
  for (const std::string& volume : paths) {
    struct stat file {};
    if (stat(volume.c_str(), &file) != 0) continue;
    const size_t slash = volume.rfind('/');
    AddVolume(info, slash == std::string::npos ? volume : volume.substr(slash + 1),
              static_cast<int64_t>(file.st_mtim.tv_sec), static_cast<uint64_t>(file.st_size));
    ++info.volumeCount;
  }
}

bool EndsInDigit(const std::string& name) {
  return !name.empty() && name.back() >= '0' && name.back() <= '9';
}

// "x.part7.rar" names one volume of the set "x.part*.rar": the path up to ".part", or ""
// for any other name.
std::string PartSetStem(const std::string& archivePath) {
  const std::string lower = AsciiLower(archivePath);
  if (!lower.ends_with(".rar")) return "";
  const size_t part = lower.rfind(".part");
  const size_t digits = part == std::string::npos ? 0 : part + 5;
  const size_t end = lower.size() - 4;
  if (digits == 0 || digits == end) return "";
  for (size_t i = digits; i < end; ++i) {
    if (lower[i] < '0' || lower[i] > '9') return "";
  }
  return archivePath.substr(0, part);
}

void ReadRarSet(SetInfo& info, const std::string& archivePath, const std::string& base,
                bool probeIsExe) {
  const std::string partStem = PartSetStem(archivePath);
  if (!partStem.empty()) {
    const size_t slash = partStem.rfind('/');
    const size_t stemLength = partStem.size() - (slash == std::string::npos ? 0 : slash + 1);
    // "x.part1.part2.rar" matches the pattern but belongs to another set.
    for (const FileListItem& file : FindFiles(partStem + ".part*.rar")) {
      if (PartSetStem(file.text).size() != stemLength) continue;
      AddVolume(info, file);
      ++info.volumeCount;
    }
    return;
  }
  if (probeIsExe) {
    info.volumeCount = 1;
    const std::vector<FileListItem> exe = FindFiles(base + "exe");
    if (!exe.empty()) AddVolume(info, exe.front());
  }
  for (const FileListItem& file : FindFiles(base + "r*")) {
    AddVolume(info, file);
    ++info.volumeCount;
  }
}

// The volumes the headers lead to, one after the other, whatever their names.
void ReadArjSet(SetInfo& info, const std::string& archivePath) {
  AddVolumeFiles(info, ReadArjHeaders(archivePath).volumes);
}

void ReadAceSet(SetInfo& info, const std::string& archivePath, const std::string& base,
                const std::string& selectedItemText) {
  info.volumeCount = 1;
  struct stat archive {};
  if (stat(archivePath.c_str(), &archive) != 0) archive = {};
  AddVolume(info, selectedItemText, static_cast<int64_t>(archive.st_mtim.tv_sec),
            static_cast<uint64_t>(archive.st_size));
  const std::vector<FileListItem> found = FindFiles(base + "c*");
  if (found.empty()) return;
  AddVolume(info, found.front());
  ++info.volumeCount;
  for (size_t i = 1; i < found.size(); ++i) {
    if (!EndsInDigit(found[i].text)) continue;
    AddVolume(info, found[i]);
    ++info.volumeCount;
  }
}

// A single file is a set of one; a split set (x.7z.001, x.tar.001) is every volume
// that follows.
void ReadSplitSet(SetInfo& info, const std::string& archivePath) {
  AddVolumeFiles(info, LibarchiveVolumes(archivePath));
}

}  // namespace

SetInfo ReadSetInfo(const std::string& archivePath, const std::string& type, bool probeIsExe,
                    const std::string& selectedItemText) {
  SetInfo info;
  if (archivePath.empty()) return info;
  // The volumes share the archive's name up to its three last characters.
  const std::string base =
      archivePath.substr(0, archivePath.size() < 3 ? 0 : archivePath.size() - 3);
  if (type == "rar") {
    ReadRarSet(info, archivePath, base, probeIsExe);
  } else if (type == "arj") {
    ReadArjSet(info, archivePath);
  } else if (type == "ace") {
    ReadAceSet(info, archivePath, base, selectedItemText);
  } else if (type == "7z" || HasOtherArchiveExtension(archivePath)) {
    ReadSplitSet(info, archivePath);
  }
  std::sort(info.volumes.begin(), info.volumes.end(),
            [](const SetVolume& a, const SetVolume& b) { return NameOrderBefore(a.name, b.name); });
  // An old-style RAR set starts at its ".rar" (or ".exe"), before ".r00".
  if (type == "rar") {
    std::stable_partition(info.volumes.begin(), info.volumes.end(), [](const SetVolume& volume) {
      const std::string lower = AsciiLower(volume.name);
      return lower.ends_with(".rar") || lower.ends_with(".exe");
    });
  }
  return info;
}

std::string SetSummaryText(const SetInfo& info) {
  const std::string total = info.totalBytes ? std::to_string(*info.totalBytes) : "";
  return "This set appears to contain " + std::to_string(info.volumeCount) + " file(s) totalling " +
         total + " bytes.";
}

}  // namespace tessaly
