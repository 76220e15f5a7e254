#include "archivekit/dos_time.h"

#include <ctime>

namespace archivekit {

int64_t dos_time_to_unix(uint32_t dosTime) {
  std::tm parts{};
  parts.tm_year = static_cast<int>((dosTime >> 25) & 0x7F) + 80;
  parts.tm_mon = static_cast<int>((dosTime >> 21) & 0x0F) - 1;
  parts.tm_mday = static_cast<int>((dosTime >> 16) & 0x1F);
  parts.tm_hour = static_cast<int>((dosTime >> 11) & 0x1F);
  parts.tm_min = static_cast<int>((dosTime >> 5) & 0x3F);
  parts.tm_sec = static_cast<int>(dosTime & 0x1F) * 2;
  if (parts.tm_mon < 0 || parts.tm_mon > 11 || parts.tm_mday < 1 || parts.tm_hour > 23 ||
      parts.tm_min > 59 || parts.tm_sec > 59) {
    parts = std::tm{};
    parts.tm_year = 80;
    parts.tm_mday = 1;
  }
  parts.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&parts));
}

}  // namespace archivekit
