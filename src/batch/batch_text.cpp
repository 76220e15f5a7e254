#include "batch/batch_text.h"

#include <algorithm>

#include "platform/ascii_case.h"

namespace tessaly {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& line) {
  const auto first = std::find_if_not(line.begin(), line.end(), IsBlank);
  const auto last = std::find_if_not(line.rbegin(), line.rend(), IsBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

bool IsEchoOff(const std::string& line) {
  return AsciiLower(Trimmed(line)) == kBatchEchoOff;
}

// Splits one line into words; a ">" outside quotes ends the word before it and marks
// the next word as the output file. Returns "" or what is wrong with the line.
std::string ParseLine(const std::string& line, BatchCommand& command) {
  std::vector<std::string> words;
  std::optional<size_t> redirectWord;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  const auto endWord = [&] {
    if (inWord) words.push_back(word);
    word.clear();
    inWord = false;
  };
  for (char c : line) {
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = true;
      inWord = true;
    } else if (IsBlank(c)) {
      endWord();
    } else if (c == '>') {
      endWord();
      if (redirectWord) return "more than one \">\"";
      redirectWord = words.size();
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) return "a double quote is not closed";
  endWord();
  if (redirectWord) {
    if (*redirectWord >= words.size()) return "\">\" names no file";
    command.stdoutFile = words[*redirectWord];
    words.erase(words.begin() + static_cast<std::ptrdiff_t>(*redirectWord));
  }
  if (words.empty()) return "no program to run";
  command.argv = std::move(words);
  return "";
}

}  // namespace

std::optional<std::string> QuoteBatchArgument(const std::string& text) {
  if (text.find_first_of(std::string("\"\r\n\0", 4)) != std::string::npos) return std::nullopt;
  return "\"" + text + "\"";
}

BatchParse ParseBatch(const std::string& text) {
  BatchParse parse;
  size_t start = 0;
  int lineNumber = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trimmed(line).empty() || IsEchoOff(line)) continue;
    BatchCommand command;
    const std::string error = ParseLine(line, command);
    if (!error.empty()) {
      parse.error = "line " + std::to_string(lineNumber) + ": " + error;
      parse.commands.clear();
      return parse;
    }
    parse.commands.push_back(std::move(command));
  }
  return parse;
}

}  // namespace tessaly
