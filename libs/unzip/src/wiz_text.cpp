#include "wiz_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "wiz_utf8.h"

namespace unzip {

std::string filter_name(std::string_view name, std::size_t limit) {
  std::string shown;
  shown.reserve(std::min(name.size(), limit));
  std::size_t at = 0;
  while (at < name.size()) {
    const auto byte = static_cast<unsigned char>(name[at]);
    // Pieces are views: a listing filters every name of the archive.
    const char caret[2] = {'^', static_cast<char>(byte + 64)};
    std::string_view piece = "?";
    std::size_t step = 1;
    if (byte < 32) {
      piece = std::string_view(caret, 2);
    } else if (byte < 0x7F) {
      piece = name.substr(at, 1);
    } else if (byte == 0x7F) {
      piece = "?";
    } else if (const std::size_t length = utf8_sequence_length(name, at); length > 0) {
      piece = name.substr(at, length);
      step = length;
    }
    if (shown.size() + piece.size() > limit) {
      // Room for the ellipsis without splitting a character.
      while (!shown.empty() && shown.size() + 3 > limit) {
        std::size_t cut = shown.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
        shown.erase(cut);
      }
      return shown + "...";
    }
    shown.append(piece);
    at += step;
  }
  return shown;
}

std::string format(const char* pattern, ...) {
  va_list arguments;
  va_start(arguments, pattern);
  va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, pattern, measuring);
  va_end(measuring);
  std::string text;
  if (length > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), pattern, arguments);
    text.assign(buffer.data(), static_cast<std::size_t>(length));
  }
  va_end(arguments);
  return text;
}

std::string pad_right(std::string_view text, std::size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded;
}

void Printer::say(std::string text) const {
  if (held_) {
    held_->push_back(std::move(text));
    return;
  }
  // The callback takes a writable buffer; it gets its own copy with a terminator.
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  print_(buffer.data(), static_cast<uint32_t>(text.size()));
}

}  // namespace unzip
