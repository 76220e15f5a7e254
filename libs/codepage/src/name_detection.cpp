// Which encoding an archive's names are in. uchardet knows the languages' letter
// statistics but guesses wildly on a few short names; so every candidate that decodes
// all the names is judged by how much its text reads like words (letters of one
// script, sensible case, few symbols), and uchardet's guess only breaks ties.
#include <uchardet/uchardet.h>

#include <cstdint>
#include <string>

#include "name_encoding.h"

namespace codepage {
namespace {

// Enough names to judge by, however large the archive.
constexpr size_t kSampleBytes = 64 * 1024;

enum class Script { None, Latin, Greek, Cyrillic, Han, Hangul, HalfwidthKana };

struct Letter {
  Script script = Script::None;
  bool upper = false;
  bool accented = false;  // a Latin letter outside ASCII
};

Letter classify(uint32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return {Script::Latin, c <= 'Z', false};
  if (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) {
    // Latin-1 upper half, then Latin Extended-A whose pairs alternate upper, lower.
    const bool upper = c < 0x100                                                    ? c <= 0xDE
                       : ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) ? (c & 1) == 1
                                                                                    : (c & 1) == 0;
    return {Script::Latin, upper, true};
  }
  if (c >= 0x386 && c <= 0x3CE) return {Script::Greek, c <= 0x3AB, false};
  if (c >= 0x400 && c <= 0x45F) return {Script::Cyrillic, c <= 0x42F, false};
  if ((c >= 0x3041 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF)) return {Script::Han};
  if (c >= 0xAC00 && c <= 0xD7A3) return {Script::Hangul};
  if (c >= 0xFF66 && c <= 0xFF9F) return {Script::HalfwidthKana};
  return {};
}

// Characters that are neither letters nor what names commonly hold beside them.
int symbol_penalty(uint32_t c) {
  if (c < 0x80) return 0;
  if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E)) return 0;  // CJK punctuation
  if ((c >= 0x2010 && c <= 0x2026) || c == 0xAB || c == 0xBB || c == 0x2116) return 2;
  return 4;
}

uint32_t next_code_point(const std::string& text, size_t& i) {
  const auto lead = static_cast<uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  const size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  uint32_t code = lead & (0x3F >> extra);
  for (size_t k = 0; k < extra && i < text.size(); ++k) {
    code = (code << 6) | (static_cast<uint8_t>(text[i++]) & 0x3F);
  }
  return code;
}

// Lower is more like words.
int implausibility(const std::string& text) {
  int penalty = 0;
  Letter previous;
  int ascii = 0, accented = 0;
  const auto end_word = [&] {
    if (accented > ascii) penalty += accented - ascii;
    ascii = accented = 0;
  };
  for (size_t i = 0; i < text.size();) {
    const uint32_t c = next_code_point(text, i);
    const Letter letter = classify(c);
    if (letter.script == Script::None) {
      end_word();
      penalty += symbol_penalty(c);
      previous = {};
      continue;
    }
    if (letter.script == Script::HalfwidthKana) penalty += 2;
    if (previous.script != Script::None) {
      if (previous.script != letter.script) penalty += 3;
      if (letter.upper && !previous.upper && previous.script == letter.script) penalty += 2;
    }
    if (letter.script == Script::Latin) ++(letter.accented ? accented : ascii);
    previous = letter;
  }
  end_word();
  return penalty;
}

std::string uchardet_guess(const std::string& sample) {
  const uchardet_t detector = uchardet_new();
  uchardet_handle_data(detector, sample.data(), sample.size());
  uchardet_data_end(detector);
  const std::string charset = uchardet_get_charset(detector);
  uchardet_delete(detector);
  static const std::pair<const char*, const char*> kCharsets[] = {
      {"IBM866", "CP866"},        {"WINDOWS-1251", "CP1251"},
      {"KOI8-R", "KOI8-R"},       {"ISO-8859-7", "CP1253"},
      {"WINDOWS-1253", "CP1253"}, {"ISO-8859-2", "CP1250"},
      {"WINDOWS-1250", "CP1250"}, {"IBM852", "CP852"},
      {"ISO-8859-1", "CP1252"},   {"ISO-8859-15", "CP1252"},
      {"WINDOWS-1252", "CP1252"}, {"SHIFT_JIS", "CP932"},
      {"GB18030", "CP936"},       {"BIG5", "CP950"},
      {"EUC-KR", "CP949"},        {"UHC", "CP949"}};
  for (const auto& [name, encoding] : kCharsets) {
    if (charset == name) return encoding;
  }
  return "";
}

}  // namespace

std::string detect_encoding(const std::vector<std::string>& names, std::string_view fallback) {
  std::string sample;  // newline is ASCII, and no trail byte, in every candidate
  for (const std::string& name : names) {
    if (sample.size() >= kSampleBytes) break;
    if (!is_valid_utf8(name)) sample += name + '\n';
  }
  if (sample.empty()) return std::string(fallback);

  // Ties go to the default first, then to uchardet's guess, then to the list's order.
  std::vector<std::string> order = {std::string(fallback), uchardet_guess(sample)};
  for (const std::string& encoding : name_encodings()) order.push_back(encoding);
  std::string best;
  int bestPenalty = 0;
  for (const std::string& encoding : order) {
    if (encoding.empty() || !decodes_cleanly(sample, encoding)) continue;
    const int penalty = implausibility(decode_name(sample, encoding));
    if (best.empty() || penalty < bestPenalty) {
      best = encoding;
      bestPenalty = penalty;
    }
  }
  return best.empty() ? std::string(fallback) : best;
}

}  // namespace codepage
