#include "wiz_time.h"

namespace unzip {

namespace {

struct DosFields {
  uint32_t year, month, day, hour, minute, second;
};

DosFields unpack_dos(uint32_t dos) {
  return {((dos >> 25) & 0x7F) + 1980, (dos >> 21) & 0x0F, (dos >> 16) & 0x1F,
          (dos >> 11) & 0x1F,          (dos >> 5) & 0x3F,  (dos & 0x1F) * 2};
}

}  // namespace

std::time_t entry_time(const EntryInfo& entry) {
  if (entry.unix_mtime) return *entry.unix_mtime;
  const DosFields dos = unpack_dos(entry.dos_datetime);
  std::tm local{};
  local.tm_year = static_cast<int>(dos.year) - 1900;
  local.tm_mon = static_cast<int>(dos.month) - 1;
  local.tm_mday = static_cast<int>(dos.day);
  local.tm_hour = static_cast<int>(dos.hour);
  local.tm_min = static_cast<int>(dos.minute);
  local.tm_sec = static_cast<int>(dos.second);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

ListDate list_date(const EntryInfo& entry) {
  if (entry.unix_mtime) {
    std::tm local{};
    const std::time_t when = *entry.unix_mtime;
    if (localtime_r(&when, &local)) {
      return {static_cast<uint32_t>(local.tm_mon + 1), static_cast<uint32_t>(local.tm_mday),
              static_cast<uint32_t>(local.tm_year + 1900), static_cast<uint32_t>(local.tm_hour),
              static_cast<uint32_t>(local.tm_min)};
    }
  }
  const DosFields dos = unpack_dos(entry.dos_datetime);
  return {dos.month, dos.day, dos.year, dos.hour, dos.minute};
}

}  // namespace unzip
