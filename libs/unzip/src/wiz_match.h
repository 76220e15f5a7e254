// Include/exclude selection of stored names by wildcard patterns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace unzip {

// "*" any run (also across "/"), "?" one character, "[a-z]" / "[!..]" / "[^..]" sets,
// "\x" a literal x. The whole name must match. A "*" followed only by plain text
// compares that text literally, backslashes included.
bool wildcard_match(std::string_view pattern, std::string_view name, bool ignore_ascii_case);

class Selection {
 public:
  Selection(std::vector<std::string> includes, std::vector<std::string> excludes,
            bool ignore_ascii_case);

  // No include selects every name; a selected name is dropped by any matching exclude.
  // Records which patterns matched something.
  bool selects(std::string_view name);

  std::vector<std::string> unmatched_includes() const;
  std::vector<std::string> unmatched_excludes() const;

 private:
  struct Pattern {
    std::string text;
    bool matched = false;
  };
  std::vector<Pattern> includes_;
  std::vector<Pattern> excludes_;
  bool ignore_ascii_case_;
};

}  // namespace unzip
