#include "settings/settings_document.h"

#include <cstddef>

namespace tessaly {
namespace {

// Raw characters that are layout, never content: content blanks are escaped.
bool IsLayoutBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string TrimLayout(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsLayoutBlank(text[begin])) ++begin;
  while (end > begin && IsLayoutBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      case '=':
        out += "\\=";
        break;
      case '[':
        out += "\\[";
        break;
      case ']':
        out += "\\]";
        break;
      case ' ':
        out += (i == 0 || i + 1 == text.size()) ? "\\s" : " ";
        break;
      case ';':
      case '#':
        // Only a key can start a line, where these would make it a comment.
        if (i == 0) out += '\\';
        out += c;
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::optional<char> Unescaped(char code) {
  switch (code) {
    case '\\':
      return '\\';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case '0':
      return '\0';
    case 's':
      return ' ';
    case '=':
      return '=';
    case '[':
      return '[';
    case ']':
      return ']';
    case ';':
      return ';';
    case '#':
      return '#';
    default:
      return std::nullopt;
  }
}

// A backslash that starts no known escape is taken as it stands.
std::string Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const std::optional<char> c =
        text[i] == '\\' && i + 1 < text.size() ? Unescaped(text[i + 1]) : std::nullopt;
    if (c) {
      out += *c;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Position of the first unescaped occurrence of target, or npos.
size_t FindUnescaped(const std::string& text, char target) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == target) {
      return i;
    }
  }
  return std::string::npos;
}

std::string FoldedName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = FoldAscii(c);
  return folded;
}

// The section header's name, or nullopt when line (trimmed, not empty) is no header.
std::optional<std::string> HeaderName(const std::string& line) {
  if (line.front() != '[') return std::nullopt;
  const std::string inner = line.substr(1);
  if (FindUnescaped(inner, ']') + 1 != inner.size()) return std::nullopt;
  return Unescape(inner.substr(0, inner.size() - 1));
}

}  // namespace

const SettingsLine* SettingsDocument::FindSetting(const std::string& section,
                                                  const std::string& key) const {
  const auto s = sectionIndex_.find(FoldedName(section));
  if (s == sectionIndex_.end()) return nullptr;
  const NameIndex& keys = keyIndexes_[s->second];
  const auto line = keys.find(FoldedName(key));
  return line == keys.end() ? nullptr : &sections_[s->second].lines[line->second];
}

std::optional<std::string> SettingsDocument::Value(const std::string& section,
                                                   const std::string& key) const {
  const SettingsLine* line = FindSetting(section, key);
  if (line == nullptr) return std::nullopt;
  return line->value;
}

void SettingsDocument::AddSection(const std::string& section) {
  SectionNamed(section);
}

SettingsSection& SettingsDocument::SectionNamed(const std::string& section) {
  const auto [found, added] = sectionIndex_.try_emplace(FoldedName(section), sections_.size());
  if (added) {
    sections_.push_back({section, {}});
    keyIndexes_.emplace_back();
  }
  return sections_[found->second];
}

void SettingsDocument::SetValue(const std::string& section, const std::string& key,
                                const std::string& value) {
  SettingsSection& s = SectionNamed(section);
  NameIndex& keys = keyIndexes_[sectionIndex_.at(FoldedName(section))];
  const auto [found, added] = keys.try_emplace(FoldedName(key), s.lines.size());
  if (added) {
    s.lines.push_back({key, value, std::nullopt});
  } else {
    s.lines[found->second].value = value;
  }
}

void SettingsDocument::KeepLine(const std::string& section, const std::string& text) {
  SectionNamed(section).lines.push_back({"", "", text});
}

// Removing shifts what follows: the places are counted anew (removals are rare).
void SettingsDocument::RebuildIndexes() {
  sectionIndex_.clear();
  keyIndexes_.assign(sections_.size(), {});
  for (size_t s = 0; s < sections_.size(); ++s) {
    sectionIndex_.emplace(FoldedName(sections_[s].name), s);
    const std::vector<SettingsLine>& lines = sections_[s].lines;
    for (size_t l = 0; l < lines.size(); ++l) {
      if (!lines[l].keptText) keyIndexes_[s].emplace(FoldedName(lines[l].key), l);
    }
  }
}

bool SettingsDocument::RemoveValue(const std::string& section, const std::string& key) {
  const SettingsLine* line = FindSetting(section, key);
  if (line == nullptr) return false;
  std::vector<SettingsLine>& lines = sections_[sectionIndex_.at(FoldedName(section))].lines;
  lines.erase(lines.begin() + (line - lines.data()));
  RebuildIndexes();
  return true;
}

bool SettingsDocument::RemoveSection(const std::string& section) {
  const auto s = sectionIndex_.find(FoldedName(section));
  if (s == sectionIndex_.end()) return false;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(s->second));
  RebuildIndexes();
  return true;
}

SettingsDocument ParseSettingsText(const std::string& text) {
  SettingsDocument document;
  std::string section;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string raw = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    const std::string line = TrimLayout(raw);
    if (line.empty()) continue;
    if (line.front() == ';' || line.front() == '#') {
      document.KeepLine(section, raw);
      continue;
    }
    if (const std::optional<std::string> name = HeaderName(line)) {
      section = *name;
      document.AddSection(section);
      continue;
    }
    const size_t equals = FindUnescaped(line, '=');
    if (equals == std::string::npos) {
      document.KeepLine(section, raw);
      continue;
    }
    document.SetValue(section, Unescape(TrimLayout(line.substr(0, equals))),
                      Unescape(TrimLayout(line.substr(equals + 1))));
  }
  return document;
}

std::string SettingsText(const SettingsDocument& document) {
  std::string text;
  for (const SettingsSection& section : document.Sections()) {
    // What comes before the first header is the unnamed section's: a comment at the
    // top of the file stays on top.
    const bool needsHeader = !text.empty() || !section.name.empty() || section.lines.empty();
    if (needsHeader) {
      if (!text.empty()) text += '\n';
      text += '[' + Escape(section.name) + "]\n";
    }
    for (const SettingsLine& line : section.lines) {
      text += line.keptText ? *line.keptText : Escape(line.key) + '=' + Escape(line.value);
      text += '\n';
    }
  }
  return text;
}

}  // namespace tessaly
