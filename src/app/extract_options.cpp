#include "app/extract_options.h"

#include <algorithm>

#include "engine/name_encoding_choice.h"
#include "name_encoding.h"
#include "platform/confinement.h"

namespace tessaly {

namespace {

enum class OptionId {
  Destination,
  Yes,
  NoOverwrite,
  Password,
  PerArchiveFolder,
  Here,
  List,
  Test,
  ScanDamaged,
  Threads,
  NameEncoding,
  KeepBroken,
  Help,
  Version
};

struct OptionInfo {
  OptionId id;
  char shortName;  // '\0' when there is none
  const char* longName;
  bool takesValue;
};

constexpr OptionInfo kOptions[] = {
    {OptionId::Destination, 'd', "to", true},
    {OptionId::Yes, 'y', "yes", false},
    {OptionId::NoOverwrite, 'n', "no-overwrite", false},
    {OptionId::Password, 'p', "password", true},
    {OptionId::PerArchiveFolder, '\0', "per-archive-folder", false},
    {OptionId::Here, '\0', "here", false},
    {OptionId::List, 'l', "list", false},
    {OptionId::Test, 't', "test", false},
    {OptionId::ScanDamaged, '\0', "scan-damaged", false},
    {OptionId::Threads, '\0', "threads", true},
    {OptionId::NameEncoding, '\0', "name-encoding", true},
    {OptionId::KeepBroken, '\0', "keep-broken", false},
    {OptionId::Help, '\0', "help", false},
    {OptionId::Version, '\0', "version", false},
};

const OptionInfo* FindShort(char name) {
  for (const OptionInfo& option : kOptions) {
    if (option.shortName == name) return &option;
  }
  return nullptr;
}

const OptionInfo* FindLong(const std::string& name) {
  for (const OptionInfo& option : kOptions) {
    if (name == option.longName) return &option;
  }
  return nullptr;
}

constexpr int kMostThreads = 8;

// 1 to 8; 0 for anything else.
int ThreadCount(const std::string& value) {
  if (value.size() != 1 || value[0] < '1' || value[0] > '0' + kMostThreads) return 0;
  return value[0] - '0';
}

// Returns the error for a value the option cannot take, "" when it could.
std::string Apply(ExtractOptions& options, OptionId id, const std::string& value) {
  switch (id) {
    case OptionId::Destination:
      options.destination = value;
      break;
    case OptionId::Yes:
      options.assumeYes = true;
      break;
    case OptionId::NoOverwrite:
      options.noOverwrite = true;
      break;
    case OptionId::Password:
      options.password = value;
      break;
    case OptionId::PerArchiveFolder:
      options.perArchiveFolder = true;
      break;
    case OptionId::Here:
      options.here = true;
      break;
    case OptionId::List:
      options.list = true;
      break;
    case OptionId::Test:
      options.test = true;
      break;
    case OptionId::ScanDamaged:
      options.scanDamaged = true;
      break;
    case OptionId::Threads:
      options.threads = ThreadCount(value);
      if (options.threads == 0) return "option '--threads' needs a number from 1 to 8";
      break;
    case OptionId::NameEncoding:
      options.nameEncoding = codepage::canonical_encoding(value);
      if (options.nameEncoding.empty()) {
        return "unknown name encoding '" + value + "'; accepted: " + NameEncodingList();
      }
      break;
    case OptionId::KeepBroken:
      options.keepBroken = true;
      break;
    case OptionId::Help:
      options.help = true;
      break;
    case OptionId::Version:
      options.version = true;
      break;
  }
  return {};
}

}  // namespace

ParsedOptions ParseExtractOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  ExtractOptions& options = parsed.options;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.archives.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg[1] == '-') {
      const size_t equals = arg.find('=');
      const std::string name =
          arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      const OptionInfo* option = FindLong(name);
      if (option == nullptr) {
        parsed.error = "unknown option '--" + name + "'";
        return parsed;
      }
      std::string value;
      if (equals != std::string::npos) {
        if (!option->takesValue) {
          parsed.error = "option '--" + name + "' takes no value";
          return parsed;
        }
        value = arg.substr(equals + 1);
      } else if (option->takesValue) {
        if (i + 1 == args.size()) {
          parsed.error = "option '--" + name + "' needs a value";
          return parsed;
        }
        value = args[++i];
      }
      parsed.error = Apply(options, option->id, value);
      if (!parsed.error.empty()) return parsed;
      continue;
    }
    // A cluster of short options; one that takes a value takes the rest of the cluster
    // or, when nothing follows, the next argument.
    for (size_t k = 1; k < arg.size(); ++k) {
      const OptionInfo* option = FindShort(arg[k]);
      if (option == nullptr) {
        parsed.error = std::string("unknown option '-") + arg[k] + "'";
        return parsed;
      }
      if (!option->takesValue) {
        Apply(options, option->id, "");
        continue;
      }
      std::string value = arg.substr(k + 1);
      if (value.empty()) {
        if (i + 1 == args.size()) {
          parsed.error = std::string("option '-") + arg[k] + "' needs a value";
          return parsed;
        }
        value = args[++i];
      }
      parsed.error = Apply(options, option->id, value);
      if (!parsed.error.empty()) return parsed;
      break;
    }
  }
  if (options.help || options.version) return parsed;
  if (options.here && (options.destination || options.perArchiveFolder)) {
    parsed.error = "option '--here' chooses each archive's folder itself";
  } else if (options.destination && options.destination->empty()) {
    parsed.error = "the destination folder must not be empty";
  } else if (options.archives.empty()) {
    parsed.error = "no ARCHIVE given";
  } else if (std::find(options.archives.begin(), options.archives.end(), "") !=
             options.archives.end()) {
    parsed.error = "an ARCHIVE name must not be empty";
  }
  return parsed;
}

std::string UsageText() {
  return "Usage: tessaly-extract [options] ARCHIVE...\n"
         "Extracts ZIP, RAR, ACE and ARJ archives (also self-extracting ones and RAR, ACE and\n"
         "ARJ volume sets) into a folder; also 7z (encrypted, self-extracting and split\n"
         ".7z.001 sets too), tar plain or compressed, cpio, ISO, CAB, LHA, XAR, RPM and Debian\n"
         "packages, and single compressed files (.gz, .bz2, .xz, .zst, .lz, .lz4).\n"
         "ARJ archives are extracted through the arj utility whose path is the setting\n"
         "Utility Locations/arj of $XDG_CONFIG_HOME/Brindlemoor/Tessaly 3.6.conf:\n"
         "  [Utility Locations]\n"
         "  arj=/usr/bin/arj\n"
         "\n"
         "  -d, --to DIR            extract into DIR (asked on the terminal when missing)\n"
         "  -y, --yes               answer every question with Yes, overwrite every file\n"
         "  -n, --no-overwrite      never overwrite an existing file\n"
         "  -p, --password PW       the password of encrypted entries (--password= for none)\n"
         "      --per-archive-folder  extract each archive into a folder named after it\n"
         "      --here              extract each ARCHIVE beside itself, into a new folder\n"
         "                          named after it when it has several top-level items\n"
         "  -l, --list              list the entries of each ARCHIVE instead of extracting\n"
         "  -t, --test              decode every entry of each ARCHIVE and check its checksums,\n"
         "                          writing nothing; a summary line per ARCHIVE\n"
         "      --scan-damaged      read a ZIP whose central directory is damaged from its\n"
         "                          local headers, and a RAR archive past a damaged header,\n"
         "                          without asking\n"
         "      --threads N         decode ZIP, RAR and ACE entries and 7z folders on N threads\n"
         "                          at once (1-8; default one per core); with 1, tars are\n"
         "                          also decoded and written on one thread\n"
         "      --name-encoding CP  read names not stored in Unicode (ZIP, RAR 1.5-4, ACE,\n"
         "                          ARJ, LHA, old tar) in code page CP, one of CP437, CP850,\n"
         "                          CP852, CP866, CP1250-CP1253, CP932, CP936, CP950, CP949,\n"
         "                          KOI8-R; by default judged from each archive's names\n"
         "      --keep-broken       keep what was written of an entry that fails its check\n"
         "                          or ends early, as NAME.damaged beside where it belongs\n"
         "      --help              show this help\n"
         "      --version           show the version\n"
         "\n"
         "Exit status: 0 finished, 1 did not finish or an archive failed, 2 refused before\n"
         "extracting, 64 usage error. With --test: 0 every archive intact, 1 otherwise.\n";
}

std::string VersionText() {
  return "tessaly-extract 3.6\nArchives are read in a confined process: " +
         DescribeLayers(AvailableLayers()) + ".\n";
}

}  // namespace tessaly
