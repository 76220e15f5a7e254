// Decoding one accepted entry into its output file (or link): the per-file chunk,
// streamed writing with service pings, the CRC verdict and the service callback.
#pragma once

#include <functional>
#include <string>

#include "archivekit/staged_file.h"
#include "wiz_call.h"
#include "zip_archive.h"

namespace unzip {

enum class EntryEnd {
  Next,  // go on with the next entry (whatever happened to this one)
  Stop,  // the call ends now: disk full or the service callback said stop
};

// Decodes the entry (a file, not a link), writes it, checks it and puts it in place,
// then makes the service call; a link is made from its checked target.
EntryEnd write_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                     const std::string& password, const std::string& relative);

// write_entry in two halves, for entries decoded on another thread while the caller's
// thread keeps the order: decode_entry calls no callback (its chunks go wherever
// call's printer sends them), place_entry runs on the caller's thread.
enum class Decoded {
  Skipped,      // not attempted (a method this layer cannot decode)
  Failed,       // attempted and reported; whatever was at out stays
  Damaged,      // as Failed, but what was decoded is in file (kept when the caller asks)
  Staged,       // whole and checked, in file, waiting to be put in place
  DiskFull,     // a write failed: the call ends
  Interrupted,  // the service point said stop
};

// Called after every 256 KiB written with the entry's bytes written so far; true stops
// the entry.
using ServicePoint = std::function<bool(uint64_t written)>;

// The service call for out, written bytes of it so far; true (after raising 80) when
// it says stop.
bool service_says_stop(CallState& call, const std::string& out, uint64_t written);

Decoded decode_entry(CallState& call, ZipArchive& archive, const EntryInfo& entry,
                     const std::string& password, const std::string& out,
                     archivekit::StagedFile& file, const ServicePoint& service_point);
EntryEnd place_entry(CallState& call, Decoded decoded, archivekit::StagedFile& file,
                     const EntryInfo& entry, const std::string& out);

}  // namespace unzip
