// The contents of the settings file: sections of named text values, in the order
// they were first written. Names compare without regard to ASCII case and keep the
// spelling they were first written with. The text form is INI-like:
//
//   ; a comment
//   [Section]
//   key=value
//   =value of the unnamed key
//
// Backslash escapes (\\ \n \r \t \0 \s \= \[ \] \; \#) make every byte of a name or
// value survive a round trip; blanks at either end of a name or value are always
// escaped, so unescaped blanks around a line or the "=" are layout and are dropped on
// reading. A backslash before any other character, or at the end, is itself text.
//
// Reading never fails, as the file may have been edited by hand: a comment (";" or
// "#" first) or a line that is neither a header nor a setting is kept as written, in
// its place in its section. Lines before the first header are the unnamed section's.
#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessaly {

// A setting, or a line kept as written (keptText set; key and value unused).
struct SettingsLine {
  std::string key;
  std::string value;
  std::optional<std::string> keptText;
};

struct SettingsSection {
  std::string name;
  std::vector<SettingsLine> lines;
};

class SettingsDocument {
 public:
  // nullopt when the section or the key is absent.
  std::optional<std::string> Value(const std::string& section, const std::string& key) const;
  void AddSection(const std::string& section);  // an empty section is kept
  void SetValue(const std::string& section, const std::string& key, const std::string& value);
  void KeepLine(const std::string& section, const std::string& text);
  // Each returns false when there was nothing to remove.
  bool RemoveValue(const std::string& section, const std::string& key);
  bool RemoveSection(const std::string& section);

  const std::vector<SettingsSection>& Sections() const { return sections_; }

 private:
  // Names folded to lower case, to their places: a file of many lines reads in linear time.
  using NameIndex = std::unordered_map<std::string, size_t>;

  SettingsSection& SectionNamed(const std::string& section);
  const SettingsLine* FindSetting(const std::string& section, const std::string& key) const;
  void RebuildIndexes();

  std::vector<SettingsSection> sections_;
  NameIndex sectionIndex_;
  std::vector<NameIndex> keyIndexes_;  // one per section, of its settings
};

// Any text reads, by the rules above.
SettingsDocument ParseSettingsText(const std::string& text);
std::string SettingsText(const SettingsDocument& document);

}  // namespace tessaly
