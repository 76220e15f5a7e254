// An archive's listing as the contents window shows it: the rows of its list and the
// totals line. The backends' listings fill it; the window only displays it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <limits>
#include <string>

namespace tessaly {

struct ContentsRow {
  std::string text;     // the "Filename" column
  std::string iconKey;  // large and small icon alike
  // Sub-items 1 to 5 (index 0 is sub-item 1); their meaning depends on the listing.
  std::array<std::string, 5> subItems;
  // The entry's whole name as the archive stores it ("/" separated): the row text
  // drops the folder and may carry the "+" marker.
  std::string storedName;
  bool folder = false;
  // Seconds since the epoch, for sorting by the date column; kNoDate where there is none.
  static constexpr int64_t kNoDate = std::numeric_limits<int64_t>::min();
  int64_t modified = kNoDate;
};

// Fills a row's name, icon, folder mark and storedName from the entry's stored name
// (a folder's ends in "/"): the Filename column shows the last part, "+" marking an
// encrypted entry. Returns the folders before it ("a/b/"), for the Path column.
std::string NameRow(ContentsRow& row, const std::string& storedName, bool encrypted);

struct ContentsModel {
  std::deque<ContentsRow> rows;
  std::string totals;
  // The ZIP archive whose rows its type probe has listed here already; "" otherwise.
  std::string probedArchive;

  // Listings that place each new row above the ones before it.
  void InsertRowAtTop(ContentsRow row);
  // Listings that keep the archive's order.
  void AppendRow(ContentsRow row);
  void Clear();
  // The rows that are files, not folders.
  size_t FileCount() const;
};

}  // namespace tessaly
