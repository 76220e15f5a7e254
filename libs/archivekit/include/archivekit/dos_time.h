// MS-DOS dates and times, as RAR 1.5-4 and ACE headers store an entry's last change.
#pragma once

#include <cstdint>

namespace archivekit {

// Seconds since 1970 for a DOS date and time taken as local time; fields no date can
// have (damaged headers) give the earliest DOS time.
int64_t dos_time_to_unix(uint32_t dosTime);

}  // namespace archivekit
