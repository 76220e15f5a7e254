// Decoding one accepted entry into its output file (or link): the per-file chunk,
// streamed writing with service pings, the CRC verdict and the service callback.
#pragma once

#include <string>

#include "wiz_call.h"
#include "zip_archive.h"

namespace unzip {

enum class EntryEnd {
  Next,  // go on with the next entry (whatever happened to this one)
  Stop,  // the call ends now: disk full or the service callback said stop
};

EntryEnd write_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                     const std::string& password, const std::string& relative);

}  // namespace unzip
