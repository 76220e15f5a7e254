// The private folder inside the destination where the arj utility unpacks the archives
// of a job, so that it never writes beside, over or through anything already there:
// each archive gets a folder of its own, and unpacks deep enough below it that none of
// its names climbs out with "..". Tessaly moves what passes its checks into place
// itself (arj_placement.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tessaly {

struct ArjHeaders;

// Where the utility puts a stored name, relative to the folder it unpacks into: it drops
// leading "/", "./" and "../" but follows every other "..", so the result ("a/b",
// "../x") may begin with ".." where the name climbs. "" when nothing is left.
std::string ArjLandingName(const std::string& storedName);

// True for a name the utility never gets past when it extracts: with its leading "/",
// "./" and "../" dropped, it begins with "." (".x", "..", "...", "..\x"); the utility
// then loops for ever. "\" is no separator to it.
bool ArjNameStallsUtility(const std::string& storedName);

// How many levels the utility may climb above its folder for this archive: the
// deepest climb of a name, plus every ".." a link's target holds (a link the utility
// makes may take a later name further up).
size_t ArjClimbLevels(const ArjHeaders& headers);

// More levels than this are not prepared: such an archive is not handed to the utility.
inline constexpr size_t kMaxArjClimbLevels = 256;

class ArjStaging {
 public:
  // Where one archive is unpacked: top is its own folder, base the folder the utility
  // is given (top itself or a chain of "_" folders below it). Both end in "/".
  struct ArchiveFolder {
    std::string top;
    std::string base;
  };

  ArjStaging() = default;
  // A folder still there is removed.
  ~ArjStaging();
  ArjStaging(const ArjStaging&) = delete;
  ArjStaging& operator=(const ArjStaging&) = delete;

  // Makes a fresh folder destination.tessaly-XXXXXX/ (mode 0700), locked while it
  // lives so that no later run takes it for a dead run's (archivekit/staging.h);
  // destination is "" or ends in "/". False with errno set when it cannot be made.
  bool Create(const std::string& destination);
  // The folders of archive number index (from 1), climbs levels deep, all made.
  // Nothing, with errno set, when they cannot be made.
  std::optional<ArchiveFolder> AddArchive(size_t index, size_t climbs);
  // Removes the folder and everything in it, following no link.
  void Remove();
  const std::string& root() const { return root_; }

 private:
  std::string root_;  // ends in "/"; empty when there is none
  int lock_ = -1;     // the folder's descriptor, holding its lock
};

}  // namespace tessaly
