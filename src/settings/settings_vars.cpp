#include "settings/settings_vars.h"

#include "platform/dialogs.h"
#include "settings/private_temp_folder.h"
#include "settings/settings_store.h"

namespace tessaly {

void LoadSettings(SettingsVars& vars, Dialogs& dialogs) {
  const SettingsStore store = ApplicationSettings();
  if (store.GetSetting("General", "First time", "1") == "1") SetFirstRunDefaults(dialogs);

  vars.HideOutput = store.GetSetting("General", "Hide Output", "");
  if (vars.HideOutput == "0") {
    vars.ShellWindowStyle = 1;
  } else if (vars.HideOutput == "1") {
    vars.ShellWindowStyle = 0;
  }
  vars.DCAction = store.GetSetting("General", "DCAction", "0");
  vars.ShowNonZipMessage = store.GetSetting("General", "Show non-zip message", "");
  vars.ArjLocation = store.GetSetting("Utility Locations", "arj", "");
  vars.ShowConfirmation = store.GetSetting("General", "Show confirmation", "");
  vars.ShowFileType = store.GetSetting("General", "Show File Type", "0");
  vars.LastDestinationFolder = store.GetSetting("General", "Last Used Destination Folder", "");
  vars.LastSourceFolder = store.GetSetting("General", "Last Used Source Folder", "3");
  vars.StartupFolderMode = store.GetSetting("General", "Startup Folder Mode", "");
  vars.StartupFolder = store.GetSetting("General", "Startup Folder", "");
  vars.StartupMode = store.GetSetting("General", "Startup Mode", "");
  // Read and not kept: nothing consults this value.
  store.GetSetting("General", "Show non-zip message again", "");
  vars.CloseExtractWindow = store.GetSetting("General", "Close extract window", "");

  GetTempFolder(vars);
}

void SetFirstRunDefaults(Dialogs& dialogs) {
  dialogs.ShowWelcome();
  ApplicationSettings().UpdateSettings([](SettingsEdit& settings) {
    settings.SaveSetting("General", "First time", "0");
    settings.SaveSetting("General", "Startup Mode", "0");
    settings.SaveSetting("General", "Show confirmation", "1");
    settings.SaveSetting("General", "Startup Folder Mode", "0");
    settings.SaveSetting("General", "Show File Type", "0");
    settings.SaveSetting("General", "Hide Output", "0");
    settings.SaveSetting("General", "Close extract window", "0");
    return true;
  });
}

std::string GetTempFolder(SettingsVars& vars) {
  vars.TempFolder = PrivateTempFolder(vars.TempFolder);
  return vars.TempFolder;
}

}  // namespace tessaly
