// Plain models of the few controls the core reads and writes.
#pragma once

#include <string>
#include <vector>

namespace tessaly {

struct ComboBoxModel {
  std::string text;
  std::vector<std::string> list;
};

}  // namespace tessaly
