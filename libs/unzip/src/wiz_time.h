// Entry times: what the written file gets and what the listing shows.
#pragma once

#include <cstdint>
#include <ctime>

#include "zip_archive.h"

namespace unzip {

// The Unix time from the extra fields, else the DOS time read as local time.
std::time_t entry_time(const EntryInfo& entry);

struct ListDate {
  uint32_t month, day, year, hour, minute;
};
// A Unix time in the local zone, else the DOS fields unpacked as stored.
ListDate list_date(const EntryInfo& entry);

}  // namespace unzip
