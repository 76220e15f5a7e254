// Reads a ZIP whose central directory is missing or damaged from its local headers, as
// "zip -FF" does: each "PK\3\4" header found describes an entry, its data lying right
// after it. An entry with a data descriptor takes its sizes and CRC from the
// descriptor after its data; where none is found, its data runs to the next header
// and its check fails. The scan reads every byte at most a bounded number of times.
#pragma once

#include <memory>
#include <string>

#include "zip_archive.h"

namespace unzip {

// The entries found, in file order; nullptr when the file holds none (result says why).
std::unique_ptr<ZipArchive> scan_local_headers(const std::string& path, OpenResult& result);

}  // namespace unzip
