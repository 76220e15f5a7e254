// Date conversions without a file-system look-up each.
#pragma once

namespace tessaly {

// With TZ unset the C library re-reads /etc/localtime on every date conversion, and
// libzip converts each entry's date whenever an archive is opened. Naming the same
// default zone once stops that; a TZ the user set stays. Call before any thread starts.
void ReadTimeZoneOnce();

}  // namespace tessaly
