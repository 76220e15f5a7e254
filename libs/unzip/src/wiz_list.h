// List mode: one list callback per selected entry, then the totals.
#pragma once

#include <cstdint>

#include "wiz_call.h"
#include "wiz_match.h"
#include "zip_archive.h"

namespace unzip {

// Per-mille saving rounded to a percentage; growth shows as the same positive number.
uint32_t compression_factor(uint64_t uncompressed, uint64_t compressed);

// The compressed size the listing shows: 12 bytes less for encrypted entries.
uint64_t listed_compressed_size(const EntryInfo& entry);

// Returns the list-mode result code.
int32_t list_entries(CallState& call, const ZipArchive& archive, Selection& selection);

// The comment as one chunk per 64 KiB piece without CR bytes, each followed by "\n\n",
// then an empty chunk; nothing for an empty comment.
void print_comment(const Printer& printer, const std::string& comment);

}  // namespace unzip
