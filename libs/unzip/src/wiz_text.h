// Turning text into print chunks: the name filter, printf-style formatting, and the
// printer that hands each finished message to the caller's print callback.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "unzip.h"

namespace unzip {

constexpr std::size_t kMessageNameLimit = 16 * 1024;
constexpr std::size_t kListNameLimit = 32 * 1024;

// Control bytes become "^" + letter, DEL and bytes outside valid UTF-8 become "?";
// a result longer than limit is cut and ends in "...".
std::string filter_name(std::string_view name, std::size_t limit = kMessageNameLimit);

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// "%-22s" for a name: padded with blanks to width bytes, never cut.
std::string pad_right(std::string_view text, std::size_t width);

class Printer {
 public:
  Printer(DLLPRNT print, int32_t quiet) : print_(print), quiet_(quiet) {}

  // One message, one callback; length 0 is a valid chunk.
  void say(std::string text) const;
  // Messages that fQuiet >= 1 suppresses.
  void say_verbose(std::string text) const {
    if (quiet_ == 0) say(std::move(text));
  }
  int32_t quiet() const { return quiet_; }
  // While held, messages are kept in *held instead of printed (nullptr prints again):
  // the printer of an entry decoded on another thread, or one waiting for its turn.
  void hold(std::vector<std::string>* held) { held_ = held; }

 private:
  DLLPRNT print_;
  int32_t quiet_;
  std::vector<std::string>* held_ = nullptr;
};

}  // namespace unzip
