// The contents of the settings file: sections of named text values, in the order
// they were first written. Names compare without regard to ASCII case and keep the
// spelling they were first written with. The text form is INI-like:
//
//   [Section]
//   key=value
//   =value of the unnamed key
//
// Backslash escapes (\\ \n \r \t \0 \s \= \[ \]) make every byte of a name or value
// survive a round trip; blanks at either end of a name or value are always escaped,
// so unescaped blanks around a line or the "=" are layout and are dropped on reading.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct SettingsValue {
  std::string key;
  std::string value;
};

struct SettingsSection {
  std::string name;
  std::vector<SettingsValue> values;
};

class SettingsDocument {
 public:
  // nullopt when the section or the key is absent.
  std::optional<std::string> Value(const std::string& section, const std::string& key) const;
  void AddSection(const std::string& section);  // an empty section is kept
  void SetValue(const std::string& section, const std::string& key, const std::string& value);
  // Each returns false when there was nothing to remove.
  bool RemoveValue(const std::string& section, const std::string& key);
  bool RemoveSection(const std::string& section);

  const std::vector<SettingsSection>& Sections() const { return sections_; }

 private:
  SettingsSection& SectionNamed(const std::string& section);

  std::vector<SettingsSection> sections_;
};

// False when the text is not in the form above; document is then left empty.
bool ParseSettingsText(const std::string& text, SettingsDocument& document);
std::string SettingsText(const SettingsDocument& document);

}  // namespace tessaly
