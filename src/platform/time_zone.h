// Date conversions without a file-system look-up each.
#pragma once

#include <cstdint>
#include <optional>

namespace tessaly {

// A local date and time as seconds since the epoch; nothing when it names no time.
std::optional<int64_t> LocalTime(int year, int month, int day, int hour, int minute, int second);

// With TZ unset the C library re-reads /etc/localtime on every date conversion, and
// libzip converts each entry's date whenever an archive is opened. Naming the same
// default zone once stops that; a TZ the user set stays. Call before any thread starts.
void ReadTimeZoneOnce();

}  // namespace tessaly
