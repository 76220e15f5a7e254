#include "settings/settings_document.h"

#include <algorithm>

namespace tessaly {
namespace {

// Raw characters that are layout, never content: content blanks are escaped.
bool IsLayoutBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameSettingsName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
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

// Templates so that both the const and the changing members can use them.
template <typename Sections>
auto FindSection(Sections& sections, const std::string& name) {
  return std::find_if(sections.begin(), sections.end(), [&](const SettingsSection& section) {
    return SameSettingsName(section.name, name);
  });
}

template <typename Lines>
auto FindSetting(Lines& lines, const std::string& key) {
  return std::find_if(lines.begin(), lines.end(), [&](const SettingsLine& line) {
    return !line.keptText && SameSettingsName(line.key, key);
  });
}

// The section header's name, or nullopt when line (trimmed, not empty) is no header.
std::optional<std::string> HeaderName(const std::string& line) {
  if (line.front() != '[') return std::nullopt;
  const std::string inner = line.substr(1);
  if (FindUnescaped(inner, ']') + 1 != inner.size()) return std::nullopt;
  return Unescape(inner.substr(0, inner.size() - 1));
}

}  // namespace

std::optional<std::string> SettingsDocument::Value(const std::string& section,
                                                   const std::string& key) const {
  const auto s = FindSection(sections_, section);
  if (s == sections_.end()) return std::nullopt;
  const auto line = FindSetting(s->lines, key);
  if (line == s->lines.end()) return std::nullopt;
  return line->value;
}

void SettingsDocument::AddSection(const std::string& section) {
  SectionNamed(section);
}

SettingsSection& SettingsDocument::SectionNamed(const std::string& section) {
  const auto s = FindSection(sections_, section);
  if (s != sections_.end()) return *s;
  sections_.push_back({section, {}});
  return sections_.back();
}

void SettingsDocument::SetValue(const std::string& section, const std::string& key,
                                const std::string& value) {
  SettingsSection& s = SectionNamed(section);
  const auto line = FindSetting(s.lines, key);
  if (line != s.lines.end()) {
    line->value = value;
  } else {
    s.lines.push_back({key, value, std::nullopt});
  }
}

void SettingsDocument::KeepLine(const std::string& section, const std::string& text) {
  SectionNamed(section).lines.push_back({"", "", text});
}

bool SettingsDocument::RemoveValue(const std::string& section, const std::string& key) {
  const auto s = FindSection(sections_, section);
  if (s == sections_.end()) return false;
  const auto line = FindSetting(s->lines, key);
  if (line == s->lines.end()) return false;
  s->lines.erase(line);
  return true;
}

bool SettingsDocument::RemoveSection(const std::string& section) {
  const auto s = FindSection(sections_, section);
  if (s == sections_.end()) return false;
  sections_.erase(s);
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
