#include "engine/contents_model.h"

#include <utility>

namespace tessaly {

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
