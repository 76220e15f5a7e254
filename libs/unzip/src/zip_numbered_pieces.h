// A ZIP cut into numbered pieces (name.001, name.002, ..., as `split` or a volume
// option of an archiver makes them): one ordinary archive whose bytes run on from
// piece to piece. Only the first piece is named; the others lie beside it.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "zip_window_source.h"

namespace unzip {

// The pieces in order when path ends in ".001" and at least ".002" lies beside it;
// nullopt otherwise.
std::optional<std::vector<std::string>> find_numbered_pieces(const std::string& path);

// The pieces one after the other; nullptr when one of them is not a readable file.
std::unique_ptr<ArchiveBytes> open_pieces(std::vector<std::string> paths);

// A read-only stream over bytes for the code that searches the end records; the
// stream shares bytes and closes with fclose.
std::FILE* open_stream(std::shared_ptr<ArchiveBytes> bytes);

}  // namespace unzip
