// Letter case of ASCII text (extensions, typed answers, batch lines); other bytes,
// those of UTF-8 names among them, stay as they are.
#pragma once

#include <string>

namespace tessaly {

inline std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace tessaly
