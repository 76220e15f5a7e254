// The name of the new folder an archive is extracted into when it gets a folder of
// its own (the file managers' "Extract to Folders", one folder per archive).
#pragma once

#include <string>

namespace tessaly {

// The archive's file name without its extension, as file managers name such folders
// ("photos.2020.zip" gives "photos.2020"), and without the volume number of a RAR set
// ("set.part1.rar" gives "set"), so that the volumes of a set share a folder. A name
// that would be empty, ".", "..", the archive's own name or hold "/" is the archive's
// whole file name with "_files" appended: the folder is always a new one inside.
std::string ArchiveFolderName(const std::string& archivePath);

}  // namespace tessaly
