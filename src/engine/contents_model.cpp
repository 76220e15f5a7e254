#include "engine/contents_model.h"

#include <algorithm>
#include <ctime>
#include <utility>

#include "platform/file_icons.h"

namespace tessaly {

std::string NameRow(ContentsRow& row, const std::string& storedName, bool encrypted) {
  row.folder = storedName.ends_with('/');
  const std::string_view name =
      row.folder ? std::string_view(storedName).substr(0, storedName.size() - 1) : storedName;
  const size_t slash = name.rfind('/');
  const std::string fileName(slash == std::string_view::npos ? name : name.substr(slash + 1));
  row.text = fileName + (encrypted ? "+" : "");
  row.iconKey = row.folder ? "DOS" : FileIconKey(fileName);
  row.storedName = storedName;
  return std::string(slash == std::string_view::npos ? std::string_view()
                                                     : name.substr(0, slash + 1));
}

int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const time_t time = mktime(&local);
  return time == static_cast<time_t>(-1) ? ContentsRow::kNoDate : static_cast<int64_t>(time);
}

size_t ContentsModel::FileCount() const {
  return static_cast<size_t>(
      std::count_if(rows.begin(), rows.end(), [](const ContentsRow& row) { return !row.folder; }));
}

void ContentsModel::InsertRowAtTop(ContentsRow row) {
  rows.push_front(std::move(row));
}

void ContentsModel::AppendRow(ContentsRow row) {
  rows.push_back(std::move(row));
}

void ContentsModel::Clear() {
  rows.clear();
  totals.clear();
  probedArchive.clear();
}

}  // namespace tessaly
