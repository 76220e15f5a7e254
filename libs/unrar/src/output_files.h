// Creating what an entry becomes on disk, always inside the destination folder
// (its path checked by archivekit::resolve_output_path): times and modes; folders and links
// are made by archivekit. Files themselves are written through archivekit::StagedFile, so an old
// file is replaced only by a whole, verified new one.
#pragma once

#include <string>

#include "archive_entry.h"

namespace unrar {

// The modification time and the permissions the archive recorded, on the open
// output file.
void apply_file_metadata(int fd, const ArchiveEntry& entry);
// The same for a folder (once nothing more is written into it) or a link.
void apply_metadata(const std::string& path, const ArchiveEntry& entry);
// A file that is the copy of an earlier extracted entry (RAR5 hard links and file
// copies) at sourcePath, already checked to lie inside; false when it is not there.
bool copy_extracted_file(const std::string& sourcePath, const ArchiveEntry& entry,
                         const std::string& path);

}  // namespace unrar
