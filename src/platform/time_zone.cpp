#include "platform/time_zone.h"

#include <stdlib.h>

#include <ctime>

namespace tessaly {

std::optional<int64_t> LocalTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const time_t time = mktime(&local);
  if (time == static_cast<time_t>(-1)) return std::nullopt;
  return static_cast<int64_t>(time);
}

void ReadTimeZoneOnce() {
  setenv("TZ", ":/etc/localtime", 0);
}

}  // namespace tessaly
