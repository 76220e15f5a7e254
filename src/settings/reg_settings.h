// The settings store: named text values in sections, kept in one per-user file,
// $XDG_CONFIG_HOME/<Company>/<AppName>.conf (default ~/.config). Section and key
// names compare without regard to case; an empty value reads as missing. Every
// change rewrites the file atomically under a lock, re-reading it first, so two
// running copies lose nothing. A file that cannot be read or parsed reads as empty;
// a malformed one is copied to "<file>.bad" before a change replaces it, an unreadable
// one is never replaced.
#pragma once

#include <string>

namespace tessaly {

inline constexpr const char* kCompany = "Brindlemoor";
inline constexpr const char* kAppName = "Tessaly 3.6";

class CRegSettings {
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
  // An empty key deletes the whole section.
  bool DeleteSetting(const std::string& section, const std::string& key);

  // The file this store reads and writes.
  std::string FilePath() const;

 private:
  std::string company_;
  std::string appName_;
};

// A store with Company "Brindlemoor" and AppName "Tessaly 3.6", as every part uses.
CRegSettings ApplicationSettings();

}  // namespace tessaly
