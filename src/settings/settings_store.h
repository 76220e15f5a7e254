// The settings store: named text values in sections, kept in one per-user file,
// $XDG_CONFIG_HOME/<Company>/<AppName>.conf (default ~/.config). Section and key
// names compare without regard to case; an empty value reads as missing. Every
// change rewrites the file atomically under a lock, re-reading it first, so two
// running copies lose nothing. Lines of the file that are no settings are skipped and
// kept. A file that cannot be read reads as empty and is never replaced.
#pragma once

#include <functional>
#include <string>

namespace tessaly {

inline constexpr const char* kCompany = "Brindlemoor";
inline constexpr const char* kAppName = "Tessaly 3.6";

class SettingsDocument;

// The settings as one SettingsStore::UpdateSettings sees them, by the store's rules;
// reads see the changes made before them.
class SettingsEdit {
 public:
  explicit SettingsEdit(SettingsDocument& document) : document_(document) {}

  std::string GetSetting(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  void SaveSetting(const std::string& section, const std::string& key, const std::string& value);
  bool DeleteSetting(const std::string& section, const std::string& key);

 private:
  SettingsDocument& document_;
};

class SettingsStore {
 public:
  const std::string& Company() const { return company_; }
  void Company(const std::string& value);  // stored trimmed of blanks
  const std::string& AppName() const { return appName_; }
  void AppName(const std::string& value);  // stored trimmed of blanks

  // key "*" is the section's unnamed value. Failures are not reported: a missing or
  // unreadable file reads as the default, a failed change returns false.
  std::string GetSetting(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  bool SaveSetting(const std::string& section, const std::string& key, const std::string& value);
  // An empty key deletes the whole section; false when there was nothing to delete.
  bool DeleteSetting(const std::string& section, const std::string& key);

  // Several changes as one: change runs on the file's current contents under its
  // lock and the file is replaced once when it returns true, so the changes land
  // together and none of another running copy's is lost in between. False when change
  // returned false or the file could not be read or written (it is left as it was).
  bool UpdateSettings(const std::function<bool(SettingsEdit&)>& change);

  // The file this store reads and writes.
  std::string FilePath() const;

 private:
  std::string company_;
  std::string appName_;
};

// A store with Company "Brindlemoor" and AppName "Tessaly 3.6", as every part uses.
SettingsStore ApplicationSettings();

}  // namespace tessaly
