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
    default:
      return std::nullopt;
  }
}

std::optional<std::string> Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 1 == text.size()) return std::nullopt;
    const std::optional<char> c = Unescaped(text[++i]);
    if (!c) return std::nullopt;
    out += *c;
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

template <typename Items, typename NameOf>
auto FindNamed(Items& items, const std::string& name, NameOf nameOf) {
  return std::find_if(items.begin(), items.end(),
                      [&](const auto& item) { return SameSettingsName(nameOf(item), name); });
}

const std::string& SectionName(const SettingsSection& s) {
  return s.name;
}
const std::string& ValueKey(const SettingsValue& v) {
  return v.key;
}

bool ParseLines(const std::string& text, SettingsDocument& document) {
  std::string section;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string line = TrimLayout(text.substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
    if (line.empty()) continue;

    if (line.front() == '[') {
      const std::string inner = line.substr(1);
      if (FindUnescaped(inner, ']') + 1 != inner.size()) return false;
      const std::optional<std::string> name = Unescape(inner.substr(0, inner.size() - 1));
      if (!name) return false;
      section = *name;
      document.AddSection(section);
      continue;
    }

    const size_t equals = FindUnescaped(line, '=');
    if (equals == std::string::npos) return false;
    const std::optional<std::string> key = Unescape(TrimLayout(line.substr(0, equals)));
    const std::optional<std::string> value = Unescape(TrimLayout(line.substr(equals + 1)));
    if (!key || !value) return false;
    document.SetValue(section, *key, *value);
  }
  return true;
}

}  // namespace

std::optional<std::string> SettingsDocument::Value(const std::string& section,
                                                   const std::string& key) const {
  const auto s = FindNamed(sections_, section, SectionName);
  if (s == sections_.end()) return std::nullopt;
  const auto v = FindNamed(s->values, key, ValueKey);
  if (v == s->values.end()) return std::nullopt;
  return v->value;
}

void SettingsDocument::AddSection(const std::string& section) {
  SectionNamed(section);
}

SettingsSection& SettingsDocument::SectionNamed(const std::string& section) {
  auto s = FindNamed(sections_, section, SectionName);
  if (s != sections_.end()) return *s;
  sections_.push_back({section, {}});
  return sections_.back();
}

void SettingsDocument::SetValue(const std::string& section, const std::string& key,
                                const std::string& value) {
  SettingsSection& s = SectionNamed(section);
  const auto v = FindNamed(s.values, key, ValueKey);
  if (v != s.values.end()) {
    v->value = value;
  } else {
    s.values.push_back({key, value});
  }
}

bool SettingsDocument::RemoveValue(const std::string& section, const std::string& key) {
  const auto s = FindNamed(sections_, section, SectionName);
  if (s == sections_.end()) return false;
  const auto v = FindNamed(s->values, key, ValueKey);
  if (v == s->values.end()) return false;
  s->values.erase(v);
  return true;
}

bool SettingsDocument::RemoveSection(const std::string& section) {
  const auto s = FindNamed(sections_, section, SectionName);
  if (s == sections_.end()) return false;
  sections_.erase(s);
  return true;
}

bool ParseSettingsText(const std::string& text, SettingsDocument& document) {
  document = SettingsDocument();
  if (ParseLines(text, document)) return true;
  document = SettingsDocument();
  return false;
}

std::string SettingsText(const SettingsDocument& document) {
  std::string text;
  for (const SettingsSection& section : document.Sections()) {
    if (!text.empty()) text += '\n';
    text += '[' + Escape(section.name) + "]\n";
    for (const SettingsValue& value : section.values) {
      text += Escape(value.key) + '=' + Escape(value.value) + '\n';
    }
  }
  return text;
}

}  // namespace tessaly
