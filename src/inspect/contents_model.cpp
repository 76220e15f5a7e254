#include "inspect/contents_model.h"

#include <utility>

namespace tessaly {

void ContentsModel::InsertRowAtTop(ContentsRow row) {
  ListView1.push_front(std::move(row));
}

void ContentsModel::Clear() {
  ListView1.clear();
  Label1.clear();
}

}  // namespace tessaly
