// The name of the new folder an archive is extracted into when it gets a folder of
// its own (the file managers' "Extract to Folders", one folder per archive): always a
// new folder inside the one it is made in.
#pragma once

#include <string>

namespace tessaly {

// The archive's file name without its extension, as file managers name such folders
// ("photos.2020.zip" gives "photos.2020"), and without the volume number of a RAR set
// ("set.part1.rar" gives "set"), so that the volumes of a set share a folder.
std::string ArchiveFolderName(const std::string& archivePath);

// name, derived from the archive's name by the caller's rule, when it makes a new folder
// inside: else (empty, ".", "..", the archive's own name, holding "/") the archive's whole
// file name with "_files" appended.
std::string UsableFolderName(const std::string& name, const std::string& archivePath);

}  // namespace tessaly
