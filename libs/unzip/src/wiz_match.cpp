#include "wiz_match.h"

#include <optional>

#include "wiz_utf8.h"

namespace unzip {

namespace {

uint32_t fold(uint32_t c, bool ignore_ascii_case) {
  return (ignore_ascii_case && c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// True when the text holds no unescaped "*", "?" or "[".
bool is_plain(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '*' || text[i] == '?' || text[i] == '[') {
      return false;
    }
  }
  return true;
}

bool ends_with(std::string_view name, std::string_view tail, bool ignore_ascii_case) {
  if (tail.size() > name.size()) return false;
  const std::string_view end = name.substr(name.size() - tail.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (fold(static_cast<unsigned char>(end[i]), ignore_ascii_case) !=
        fold(static_cast<unsigned char>(tail[i]), ignore_ascii_case))
      return false;
  }
  return true;
}

// Matches c against the set that starts after "[" at pattern[at]; returns the position
// after the closing "]", or nothing when the set never closes.
std::optional<std::size_t> match_set(std::string_view pattern, std::size_t at, uint32_t c,
                                     bool ignore_ascii_case, bool& hit) {
  bool negated = false;
  if (at < pattern.size() && (pattern[at] == '!' || pattern[at] == '^')) {
    negated = true;
    ++at;
  }
  hit = false;
  c = fold(c, ignore_ascii_case);
  while (at < pattern.size() && pattern[at] != ']') {
    if (pattern[at] == '\\' && at + 1 < pattern.size()) ++at;
    const CodePoint low = next_code_point(pattern, at);
    at += low.length;
    uint32_t high = low.value;
    if (at + 1 < pattern.size() && pattern[at] == '-' && pattern[at + 1] != ']') {
      ++at;
      if (pattern[at] == '\\' && at + 1 < pattern.size()) ++at;
      const CodePoint end = next_code_point(pattern, at);
      at += end.length;
      high = end.value;
    }
    const uint32_t from = fold(low.value, ignore_ascii_case);
    const uint32_t to = fold(high, ignore_ascii_case);
    if (c >= from && c <= to) hit = true;
  }
  if (at >= pattern.size()) return std::nullopt;
  if (negated) hit = !hit;
  return at + 1;
}

// Matches the one pattern element at p against the character at n; moves both on.
bool match_element(std::string_view pattern, std::size_t& p, std::string_view name, std::size_t& n,
                   bool ignore_ascii_case) {
  const CodePoint c = next_code_point(name, n);
  const char token = pattern[p];
  if (token == '?') {
    ++p;
  } else if (token == '[') {
    bool hit = false;
    const std::optional<std::size_t> after =
        match_set(pattern, p + 1, c.value, ignore_ascii_case, hit);
    if (!after || !hit) return false;
    p = *after;
  } else {
    if (token == '\\' && p + 1 < pattern.size()) ++p;
    const CodePoint expected = next_code_point(pattern, p);
    if (fold(expected.value, ignore_ascii_case) != fold(c.value, ignore_ascii_case)) return false;
    p += expected.length;
  }
  n += c.length;
  return true;
}

// Only the latest "*" ever needs to take more of the name, so a failed element goes
// back there instead of trying every split: linear in the name per "*".
bool match_from(std::string_view pattern, std::string_view name, bool ignore_ascii_case) {
  constexpr std::size_t kNoStar = std::string_view::npos;
  std::size_t p = 0, n = 0, star_p = kNoStar, star_n = 0;
  for (;;) {
    if (p < pattern.size() && pattern[p] == '*') {
      const std::string_view rest = pattern.substr(p + 1);
      if (is_plain(rest)) return ends_with(name.substr(n), rest, ignore_ascii_case);
      star_p = ++p;
      star_n = n;
      continue;
    }
    if (p == pattern.size() && n == name.size()) return true;
    if (p < pattern.size() && n < name.size() &&
        match_element(pattern, p, name, n, ignore_ascii_case))
      continue;
    if (star_p == kNoStar || star_n >= name.size()) return false;
    star_n += next_code_point(name, star_n).length;
    p = star_p;
    n = star_n;
  }
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name, bool ignore_ascii_case) {
  return match_from(pattern, name, ignore_ascii_case);
}

Selection::Selection(std::vector<std::string> includes, std::vector<std::string> excludes,
                     bool ignore_ascii_case)
    : ignore_ascii_case_(ignore_ascii_case) {
  for (std::string& text : includes) includes_.push_back({std::move(text)});
  for (std::string& text : excludes) excludes_.push_back({std::move(text)});
}

bool Selection::selects(std::string_view name) {
  bool selected = includes_.empty();
  for (Pattern& include : includes_) {
    if (wildcard_match(include.text, name, ignore_ascii_case_)) {
      include.matched = true;
      selected = true;
    }
  }
  if (!selected) return false;
  for (Pattern& exclude : excludes_) {
    if (wildcard_match(exclude.text, name, ignore_ascii_case_)) {
      exclude.matched = true;
      selected = false;
    }
  }
  return selected;
}

std::vector<std::string> Selection::unmatched_includes() const {
  std::vector<std::string> unmatched;
  for (const Pattern& include : includes_)
    if (!include.matched) unmatched.push_back(include.text);
  return unmatched;
}

std::vector<std::string> Selection::unmatched_excludes() const {
  std::vector<std::string> unmatched;
  for (const Pattern& exclude : excludes_)
    if (!exclude.matched) unmatched.push_back(exclude.text);
  return unmatched;
}

}  // namespace unzip
