// Creating what an entry becomes on disk, always inside the destination folder
// (its path checked by archivekit::resolve_output_path): folders on the way, links, times and
// modes. Files themselves are written through archivekit::StagedFile, so an old file is replaced
// only by a whole, verified new one.
#pragma once

#include <string>

#include "archive_entry.h"

namespace unrar {

// Creates the folders above path (and path itself when folder is true).
bool make_folders(const std::string& path, bool folder);

enum class LinkResult { made, outside, failed };
// The link at path (relative: its name under root) to target, replacing what is
// there, when the target stays inside root.
LinkResult create_symlink(const std::string& root, const std::string& relative,
                          const std::string& path, const std::string& target);
// The modification time and the permissions the archive recorded, on the open
// output file.
void apply_file_metadata(int fd, const ArchiveEntry& entry);
// The same for a folder (once nothing more is written into it) or a link.
void apply_metadata(const std::string& path, const ArchiveEntry& entry);
// A file that is the copy of an earlier extracted entry (RAR5 hard links and file
// copies); false when the source is not there or lies outside root.
bool copy_extracted_file(const std::string& root, const std::string& sourceName,
                         const ArchiveEntry& entry, const std::string& path);

}  // namespace unrar
