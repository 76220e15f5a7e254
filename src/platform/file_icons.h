// Which picture the file lists show for a file, by its extension.
#pragma once

#include <string>

namespace tessaly {

// The icon key for an extension (compared lower-cased): a key of the row image
// lists, "tessaly" for the archive types, "Others" for anything unknown.
std::string IconKeyFor(const std::string& extension);

// The (at most) three characters after the first "." of a file name; the first
// three characters of the name when it has none. "a.tar.gz" gives "tar".
std::string ListExtension(const std::string& fileName);

}  // namespace tessaly
