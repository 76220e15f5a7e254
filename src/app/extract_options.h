// The command line of tessaly-extract: options first or anywhere, then the archives.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct ExtractOptions {
  std::optional<std::string> destination;  // -d, --to
  bool assumeYes = false;                  // -y, --yes
  bool noOverwrite = false;                // -n, --no-overwrite
  std::optional<std::string> password;     // -p, --password; "" = none given
  bool perArchiveFolder = false;           // --per-archive-folder
  bool here = false;                       // --here
  bool list = false;                       // -l, --list
  bool test = false;                       // -t, --test
  bool scanDamaged = false;                // --scan-damaged
  int threads = 0;                         // --threads; 0 = one per core
  std::string nameEncoding;                // --name-encoding; "" = the setting's
  bool keepBroken = false;                 // --keep-broken
  bool help = false;
  bool version = false;
  std::vector<std::string> archives;
};

struct ParsedOptions {
  ExtractOptions options;
  std::string error;  // "" when the command line is usable
};

// args: the program's arguments without its name. "--" ends the options.
ParsedOptions ParseExtractOptions(const std::vector<std::string>& args);
std::string UsageText();
std::string VersionText();

// Exit statuses.
inline constexpr int kExitFinished = 0;
inline constexpr int kExitNotFinished = 1;
inline constexpr int kExitRefused = 2;
inline constexpr int kExitUsage = 64;

}  // namespace tessaly
