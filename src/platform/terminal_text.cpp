#include "platform/terminal_text.h"

namespace tessaly {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf8(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

}  // namespace

void TerminalText::Feed(std::string_view bytes) {
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (mode_ != Mode::Text) {
      Escaped(byte);
    } else if (byte < 0x20 || byte == 0x7F) {
      Control(byte);
    } else {
      Decode(byte);
    }
  }
}

std::vector<std::string> TerminalText::TakeFinishedLines() {
  std::vector<std::string> lines;
  lines.swap(finished_);
  return lines;
}

std::string TerminalText::CurrentLine() const {
  return Utf8(line_);
}

void TerminalText::Control(unsigned char byte) {
  if (continuationBytes_ > 0) {
    continuationBytes_ = 0;
    Put(kReplacement);
  }
  switch (byte) {
    case '\r':
      column_ = 0;
      break;
    case '\n':
      finished_.push_back(Utf8(line_));
      line_.clear();
      column_ = 0;
      break;
    case '\b':
      if (column_ > 0) --column_;
      break;
    case '\t':
      column_ = (column_ / 8 + 1) * 8;
      break;
    case 0x1B:
      mode_ = Mode::Escape;
      break;
    default:  // the bell and the rest show nothing
      break;
  }
}

// ESC [ ... final byte (CSI), ESC ] ... BEL or ESC \ (OSC), ESC intermediates final.
void TerminalText::Escaped(unsigned char byte) {
  switch (mode_) {
    case Mode::Escape:
      if (byte == '[') {
        mode_ = Mode::Csi;
      } else if (byte == ']') {
        mode_ = Mode::Osc;
      } else if (byte < 0x20 || byte > 0x2F) {
        mode_ = Mode::Text;
      }
      break;
    case Mode::Csi:
      if (byte >= 0x40 && byte <= 0x7E) mode_ = Mode::Text;
      break;
    case Mode::Osc:
      if (byte == 0x07) mode_ = Mode::Text;
      if (byte == 0x1B) mode_ = Mode::OscEscape;
      break;
    case Mode::OscEscape:
      mode_ = byte == '\\' ? Mode::Text : Mode::Osc;
      break;
    case Mode::Text:
      break;
  }
}

void TerminalText::Decode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xC0) {
    if (continuationBytes_ == 0) {
      Put(kReplacement);
      return;
    }
    pending_ = (pending_ << 6) | (byte & 0x3F);
    if (--continuationBytes_ == 0) Put(pending_ <= 0x10FFFF ? pending_ : kReplacement);
    return;
  }
  if (continuationBytes_ > 0) {
    continuationBytes_ = 0;
    Put(kReplacement);
  }
  if (byte < 0x80) {
    Put(byte);
  } else if (byte < 0xE0) {
    pending_ = byte & 0x1F;
    continuationBytes_ = 1;
  } else if (byte < 0xF0) {
    pending_ = byte & 0x0F;
    continuationBytes_ = 2;
  } else if (byte < 0xF8) {
    pending_ = byte & 0x07;
    continuationBytes_ = 3;
  } else {
    Put(kReplacement);
  }
}

void TerminalText::Put(char32_t character) {
  if (column_ > line_.size()) line_.resize(column_, U' ');
  if (column_ == line_.size()) {
    line_ += character;
  } else {
    line_[column_] = character;
  }
  ++column_;
}

}  // namespace tessaly
