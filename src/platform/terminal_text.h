// What a terminal shows of a line-oriented program's output: "\r" returns to the
// start of the line (what follows overwrites it), "\b" steps back one character,
// "\t" moves to the next multiple of eight, "\n" starts a new line; other control
// characters and escape sequences (cursor, colour, title) are swallowed. The cursor
// never leaves the last line, so every line above it is final.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

class TerminalText {
 public:
  // Output in UTF-8, in pieces cut anywhere (inside a character or a sequence too).
  void Feed(std::string_view bytes);
  // The lines the cursor left since the last call, in order, in UTF-8.
  std::vector<std::string> TakeFinishedLines();
  // The line the cursor is on, in UTF-8.
  std::string CurrentLine() const;

 private:
  enum class Mode { Text, Escape, Csi, Osc, OscEscape };

  void Control(unsigned char byte);
  void Escaped(unsigned char byte);
  void Decode(unsigned char byte);
  void Put(char32_t character);

  Mode mode_ = Mode::Text;
  char32_t pending_ = 0;  // the bits of a UTF-8 character read so far
  int continuationBytes_ = 0;
  std::u32string line_;
  size_t column_ = 0;
  std::vector<std::string> finished_;
};

}  // namespace tessaly
