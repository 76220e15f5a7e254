// What the contents window (Form10) shows: the rows of its list ListView1 and the
// totals line Label1. Listings fill it; the window only displays it.
#pragma once

#include <array>
#include <deque>
#include <string>

namespace tessaly {

struct ContentsRow {
  std::string text;     // the "Filename" column
  std::string iconKey;  // large and small icon alike
  // Sub-items 1 to 5 (index 0 is sub-item 1); their meaning depends on the listing.
  std::array<std::string, 5> SubItems;
};

struct ContentsModel {
  std::deque<ContentsRow> ListView1;
  std::string Label1;

  // Listings that place each new row above the ones before it.
  void InsertRowAtTop(ContentsRow row);
  void Clear();
};

}  // namespace tessaly
