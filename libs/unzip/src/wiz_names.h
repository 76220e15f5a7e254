// From a stored entry name to the path it is written to, below the extraction folder.
#pragma once

#include <string>

#include "wiz_call.h"
#include "zip_archive.h"

namespace unzip {

struct MappedName {
  enum class Kind {
    File,
    Folder,
    Nothing,  // nothing is left to create (a folder entry without stored folders)
    Unsafe,   // the name climbs out with "..", or a link in the extraction folder would take
              // the write outside it
  };
  Kind kind = Kind::Nothing;
  std::string relative;  // below the extraction folder, "/"-separated, no trailing "/"
};

// The stored name with "/" as separator, also for names from FAT hosts that used "\\".
std::string stored_path(const EntryInfo& entry);

// The stored path as every chunk and callback of extract mode shows it: control
// characters become "_", as they do in the name written to disk.
std::string display_name(const EntryInfo& entry);

// Prints the warning for backslash separators and raises its code.
MappedName map_entry_name(CallState& call, const EntryInfo& entry);

// The same cleaning for a name the replace callback chose; an absolute name that
// lies inside the extraction folder keeps its place there.
MappedName map_rename(CallState& call, std::string typed, bool folder_entry);

}  // namespace unzip
