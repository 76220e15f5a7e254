// The file managers' start: "tessaly --extract-here" and "--extract-to-folders" run
// the extraction job beside each archive, with the Status window alone.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tessaly {

struct Session;

enum class BesideMode {
  None,       // no such option: the program's usual start
  Here,       // --extract-here: beside the archive, or into a new folder when it needs one
  ToFolders,  // --extract-to-folders: into a new folder named after it, beside it
  Usage,      // an option without files
};

struct BesideRequest {
  BesideMode mode = BesideMode::None;
  std::vector<std::string> archives;
};

inline constexpr int kBesideExitFinished = 0;
inline constexpr int kBesideExitNotFinished = 1;
inline constexpr int kBesideExitUsage = 64;  // EX_USAGE

inline constexpr const char* kBesideUsage =
    "usage: tessaly --extract-here FILE... | --extract-to-folders FILE...";

// Reads the program's arguments (without its name). Only a first argument of
// --extract-here or --extract-to-folders selects the mode; "--" after it ends the options.
BesideRequest ParseBesideArguments(const std::vector<std::string>& args);

struct BesideJob {
  std::string destination;  // ends in "/"
  std::vector<std::string> archives;
};

// How Extract Here places an archive: ownFolder says (for its absolute path) whether
// it gets a new folder named after it; numberedFolder picks "name (2)"... when that
// folder exists, else the existing folder is used and File Exists asks per file.
struct HerePlacement {
  std::function<bool(const std::string&)> ownFolder;
  bool numberedFolder = false;
};

// The jobs, in the order of the archives: the archives of one destination and one
// type (typeOf's answer for the archive's absolute path) share a job, since a job
// takes one destination and one archive type. here is consulted in BesideMode::Here.
std::vector<BesideJob> PlanBesideJobs(BesideMode mode, const std::vector<std::string>& archives,
                                      const std::function<std::string(const std::string&)>& typeOf,
                                      const HerePlacement& here);

// The stored names of an archive's entries, as the contents window lists them.
using EntryLister = std::function<std::vector<std::string>(const std::string&)>;

// Runs every job without a main window or confirmation, stopping after one the user
// cancelled, and closes the Status window at the end. 0 when every job finished, else 1.
// Extract Here lists each archive first (the Options choices decide what follows).
int ExtractBesideArchives(Session& session, BesideMode mode,
                          const std::vector<std::string>& archives, const EntryLister& entriesOf);

}  // namespace tessaly
