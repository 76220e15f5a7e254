#include "settings/settings_store.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "settings/settings_document.h"
#include "settings/settings_file.h"

namespace tessaly {
namespace {

std::string TrimBlanks(const std::string& text) {
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// "*" names the section's unnamed value, which the file keeps under an empty key.
std::string StoredKey(const std::string& key) {
  return key == "*" ? "" : key;
}

// A name that would leave the configuration folder or name no file at all.
bool UsableAsFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string StoredValue(const SettingsDocument& document, const std::string& section,
                        const std::string& key, const std::string& defaultValue) {
  const std::optional<std::string> value = document.Value(section, StoredKey(key));
  return value && !value->empty() ? *value : defaultValue;
}

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;  // relative values are to be ignored
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config";
  const passwd* entry = getpwuid(getuid());
  if (entry && entry->pw_dir && entry->pw_dir[0] == '/') {
    return std::string(entry->pw_dir) + "/.config";
  }
  return "";
}

}  // namespace

void SettingsStore::Company(const std::string& value) {
  company_ = TrimBlanks(value);
}

void SettingsStore::AppName(const std::string& value) {
  appName_ = TrimBlanks(value);
}

std::string SettingsStore::FilePath() const {
  if (!UsableAsFileName(company_) || !UsableAsFileName(appName_)) return "";
  const std::string home = ConfigHome();
  if (home.empty()) return "";
  return home + "/" + company_ + "/" + appName_ + ".conf";
}

std::string SettingsStore::GetSetting(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const {
  const std::string path = FilePath();
  if (path.empty()) return defaultValue;
  return StoredValue(*ReadSettingsFile(path), section, key, defaultValue);
}

bool SettingsStore::SaveSetting(const std::string& section, const std::string& key,
                                const std::string& value) {
  return UpdateSettings([&](SettingsEdit& settings) {
    settings.SaveSetting(section, key, value);
    return true;
  });
}

bool SettingsStore::DeleteSetting(const std::string& section, const std::string& key) {
  return UpdateSettings(
      [&](SettingsEdit& settings) { return settings.DeleteSetting(section, key); });
}

bool SettingsStore::UpdateSettings(const std::function<bool(SettingsEdit&)>& change) {
  const std::string path = FilePath();
  if (path.empty()) return false;
  return UpdateSettingsFile(path, [&](SettingsDocument& document) {
    SettingsEdit settings(document);
    return change(settings);
  });
}

std::string SettingsEdit::GetSetting(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
  return StoredValue(document_, section, key, defaultValue);
}

void SettingsEdit::SaveSetting(const std::string& section, const std::string& key,
                               const std::string& value) {
  document_.SetValue(section, StoredKey(key), value);
}

bool SettingsEdit::DeleteSetting(const std::string& section, const std::string& key) {
  // The unnamed section is the application's own: never wiped as a whole.
  if (section.empty() && key.empty()) return false;
  return key.empty() ? document_.RemoveSection(section)
                     : document_.RemoveValue(section, StoredKey(key));
}

SettingsStore ApplicationSettings() {
  SettingsStore settings;
  settings.Company(kCompany);
  settings.AppName(kAppName);
  return settings;
}

}  // namespace tessaly
