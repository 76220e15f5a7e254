// Set information: the volumes of a RAR, ARJ, ACE or split 7z set that lie beside the
// selected archive: an ARJ set's as its headers lead from one volume to the next, the
// others' found by name from the directory entries alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct SetVolume {
  std::string name;
  int64_t modified = 0;  // last change, seconds since the epoch
  uint64_t bytes = 0;
};

struct SetInfo {
  std::vector<SetVolume> volumes;  // by name, without regard to case
  int32_t volumeCount = 0;
  std::optional<uint64_t> totalBytes;  // none when nothing was summed
};

// The set of archivePath, of the probed type ("rar", "arj", "ace", "7z"); a 7z archive
// (a split set x.7z.001 is every volume that follows) or one named as libarchive's
// types are (x.tar.gz) is its own volumes; any other type has no volumes. probeIsExe: the probe saw
// a self-extracting ".exe". selectedItemText is the main file list's selected item, which names the
// first volume of an ACE set.
SetInfo ReadSetInfo(const std::string& archivePath, const std::string& type, bool probeIsExe,
                    const std::string& selectedItemText);

// "This set appears to contain <count> file(s) totalling <total> bytes."
std::string SetSummaryText(const SetInfo& info);

}  // namespace tessaly
