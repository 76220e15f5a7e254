// Extract mode: pass A refuses what cannot be decoded, pass B takes each accepted
// entry through password, name, existing file, decoding and writing.
#pragma once

#include <cstdint>

#include "wiz_call.h"
#include "wiz_match.h"
#include "zip_archive.h"

namespace unzip {

// Returns the call's result code. The extraction folder exists already.
int32_t extract_entries(CallState& call, ZipArchive& archive, Selection& selection);

}  // namespace unzip
