// The cases of the shared corpus's expected.tsv: one per archive and password, with
// the rows it must produce.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "api_support.h"

namespace unrar_test {

struct Row {
  std::string outcome, type, path, size, sha256;
};

struct Case {
  std::string archive;
  std::string password;  // "" for none
  std::vector<Row> rows;
  bool all_ok() const {
    for (const Row& row : rows) {
      if (row.outcome != "ok") return false;
    }
    return true;
  }
  bool has(const std::string& outcome) const {
    for (const Row& row : rows) {
      if (row.outcome == outcome) return true;
    }
    return false;
  }
};

inline std::vector<Case> load_cases() {
  std::ifstream in(corpus("expected.tsv"));
  std::string line;
  std::getline(in, line);
  std::vector<Case> cases;
  std::map<std::pair<std::string, std::string>, size_t> index;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string archive, password;
    Row row;
    std::getline(fields, archive, '\t');
    std::getline(fields, password, '\t');
    std::getline(fields, row.outcome, '\t');
    std::getline(fields, row.type, '\t');
    std::getline(fields, row.path, '\t');
    std::getline(fields, row.size, '\t');
    std::getline(fields, row.sha256, '\t');
    if (password == "-") password.clear();
    const auto key = std::make_pair(archive, password);
    if (!index.count(key)) {
      index[key] = cases.size();
      cases.push_back({archive, password, {}});
    }
    cases[index[key]].rows.push_back(row);
  }
  return cases;
}

inline void PrintTo(const Case& c, std::ostream* out) {
  *out << c.archive << " [" << c.password << "]";
}

}  // namespace unrar_test
