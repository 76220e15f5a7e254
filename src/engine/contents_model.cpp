#include "engine/contents_model.h"

#include <algorithm>
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
