#include "settings/settings_vars.h"

#include "platform/dialogs.h"
#include "settings/private_temp_folder.h"
#include "settings/settings_store.h"

namespace tessaly {

void LoadSettings(SettingsVars& vars, Dialogs& dialogs, FirstRun firstRun) {
  const SettingsStore store = ApplicationSettings();
  if (firstRun == FirstRun::Welcome && store.GetSetting("General", "First time", "1") == "1") {
    SetFirstRunDefaults(dialogs);
  }

  vars.hideOutput = store.GetSetting("General", "Hide Output", "");
  if (vars.hideOutput == "0") {
    vars.shellWindowStyle = 1;
  } else if (vars.hideOutput == "1") {
    vars.shellWindowStyle = 0;
  }
  vars.doubleClickAction = store.GetSetting("General", "DCAction", "0");
  vars.showNonZipMessage = store.GetSetting("General", "Show non-zip message", "");
  vars.arjLocation = store.GetSetting("Utility Locations", "arj", "");
  vars.showConfirmation = store.GetSetting("General", "Show confirmation", "");
  vars.showFileType = store.GetSetting("General", "Show File Type", "0");
  vars.lastDestinationFolder = store.GetSetting("General", "Last Used Destination Folder", "");
  vars.lastSourceFolder = store.GetSetting("General", "Last Used Source Folder", "3");
  vars.startupFolderMode = store.GetSetting("General", "Startup Folder Mode", "");
  vars.startupFolder = store.GetSetting("General", "Startup Folder", "");
  vars.startupMode = store.GetSetting("General", "Startup Mode", "");
  // Read and not kept: nothing consults this value.
  store.GetSetting("General", "Show non-zip message again", "");
  vars.closeExtractWindow = store.GetSetting("General", "Close extract window", "");
  vars.nameEncoding =
      store.GetSetting(kNameEncodingSection, kNameEncodingKey, kAutomaticNameEncoding);
  vars.keepBrokenFiles = store.GetSetting("General", "Keep broken files", "");

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
  vars.tempFolder = PrivateTempFolder(vars.tempFolder);
  return vars.tempFolder;
}

}  // namespace tessaly
