#include "settings/options_form.h"

#include <cctype>
#include <charconv>

#include "platform/dialogs.h"
#include "platform/files.h"
#include "settings/settings_store.h"
#include "settings/settings_vars.h"

namespace tessaly {

namespace {

// Section of each automatic-overwrite box, by OverwriteIndex.
constexpr std::array<const char*, kOverwriteTypes> kOverwriteSections = {
    "zip options", "arj options", "rar options", "ace options"};
constexpr const char* kOverwriteKey = "auto overwrite";

constexpr const char* kHideOutputWarning =
    "If this option is selected, the Arj archive utility is set to automatically overwrite "
    "existing files without prompting during extract operations. Any errors encountered by the "
    "utility during extraction will be unseen, possibly causing unwanted results. Do you wish to "
    "continue?";

// The leading number of a stored value; blanks before it are skipped, anything that
// is no number reads 0.
int NumberOf(const std::string& value) {
  size_t start = 0;
  while (start < value.size() && std::isspace(static_cast<unsigned char>(value[start]))) ++start;
  int number = 0;
  std::from_chars(value.data() + start, value.data() + value.size(), number);
  return number;
}

// The option chosen by a stored index; one that names no option chooses the first, so
// the group always has one chosen.
int ChoiceOf(const std::string& value, int choices) {
  const int index = NumberOf(value);
  return index >= 0 && index < choices ? index : 0;
}

const char* Flag(bool ticked) {
  return ticked ? "1" : "0";
}

void Oops(Dialogs& dialogs, const std::string& text) {
  MessageBoxRequest request;
  request.text = text;
  request.buttons = MsgButtons::OK;
  request.icon = MsgIcon::Exclamation;
  request.title = "Oops!";
  dialogs.MessageBox(request);
}

void ImplyHiddenOutput(OptionsForm& form) {
  form.arjOverwriteBeforeHiding = form.autoOverwrite[kOverwriteArj];
  form.closeExtractWindowBeforeHiding = form.closeExtractWindow;
  form.autoOverwrite[kOverwriteArj] = true;
  form.arjOverwriteEnabled = false;
  form.closeExtractWindow = true;
  form.closeExtractWindowEnabled = false;
}

}  // namespace

OptionsForm ReadOptionsForm(SettingsVars& vars, Dialogs& dialogs) {
  LoadSettings(vars, dialogs);
  const SettingsStore store = ApplicationSettings();
  OptionsForm form;
  form.doubleClickAction = ChoiceOf(vars.doubleClickAction, 3);
  form.closeExtractWindow = vars.closeExtractWindow == "1";
  form.keepBrokenFiles = vars.keepBrokenFiles == "1";
  form.arjLocation = vars.arjLocation;
  form.nameEncoding = vars.nameEncoding;
  form.extractHereFolder =
      store.GetSetting(kExtractHereSection, kExtractHereAlwaysFolderKey, "0") == "1" ? 1 : 0;
  form.extractHereNumbered =
      store.GetSetting(kExtractHereSection, kExtractHereNumberedKey, "0") == "1";
  for (int index = 0; index < kOverwriteTypes; ++index) {
    form.autoOverwrite[index] =
        store.GetSetting(kOverwriteSections[index], kOverwriteKey, "") == "1";
  }
  form.showConfirmation = NumberOf(vars.showConfirmation) == 1;
  form.startupFolder = vars.startupFolder;
  form.startupFolderMode = ChoiceOf(vars.startupFolderMode, 3);
  form.startupMode = ChoiceOf(vars.startupMode, 2);
  // Last, so that stored boxes that disagree cannot show hidden output without the
  // overwrite and closing it always comes with.
  if (vars.hideOutput == "1") {
    form.hideOutput = true;
    ImplyHiddenOutput(form);
  }
  return form;
}

void HideOutputClicked(OptionsForm& form, bool ticked, Dialogs& dialogs) {
  if (!ticked) {
    form.hideOutput = false;
    // Only boxes that hidden output ticked and greyed get their ticks from before back.
    if (!form.arjOverwriteEnabled) {
      form.autoOverwrite[kOverwriteArj] = form.arjOverwriteBeforeHiding;
      form.closeExtractWindow = form.closeExtractWindowBeforeHiding;
    }
    form.arjOverwriteEnabled = true;
    form.closeExtractWindowEnabled = true;
    return;
  }
  MessageBoxRequest request;
  request.text = kHideOutputWarning;
  request.buttons = MsgButtons::YesNo;
  request.icon = MsgIcon::Exclamation;
  request.title = "Warning";
  if (dialogs.MessageBox(request) != MsgAnswer::Yes) {
    form.hideOutput = false;
    return;
  }
  form.hideOutput = true;
  ImplyHiddenOutput(form);
}

OptionsCheck ValidateOptionsForm(const OptionsForm& form, Dialogs& dialogs) {
  if (form.startupFolderMode == kStartupFolderCustom) {
    if (form.startupFolder.empty()) {
      Oops(dialogs,
           "If Startup Folder option \"Custom:\" is chosen, you must enter a valid folder name in "
           "the space provided.");
      return {false, OptionsField::StartupFolder, false};
    }
    if (!DirectoryExists(form.startupFolder)) {
      Oops(dialogs,
           "The folder you chose as your startup folder, \"" + form.startupFolder +
               "\", does not exist. Check your spelling, be sure you specified the leading "
               "\"/\" before the folder name, or browse to the correct location.");
      return {false, OptionsField::StartupFolder, true};
    }
  }
  // A folder or a file that cannot run is no utility either.
  if (!form.arjLocation.empty() && !ExecutableFileExists(form.arjLocation)) {
    Oops(dialogs, "The file \"" + form.arjLocation +
                      "\" does not exist. Check your spelling or browse to the correct location.");
    return {false, OptionsField::None, false};
  }
  return {};
}

void WriteOptionsForm(const OptionsForm& form, SettingsVars& vars, Dialogs& dialogs) {
  ApplicationSettings().UpdateSettings([&form](SettingsEdit& settings) {
    // A cleared location is no location: the key goes rather than holding "".
    if (form.arjLocation.empty()) {
      settings.DeleteSetting("Utility Locations", "arj");
    } else {
      settings.SaveSetting("Utility Locations", "arj", form.arjLocation);
    }
    for (int index = 0; index < kOverwriteTypes; ++index) {
      settings.SaveSetting(kOverwriteSections[index], kOverwriteKey,
                           Flag(form.autoOverwrite[index]));
    }
    settings.SaveSetting("General", "Hide Output", Flag(form.hideOutput));
    settings.SaveSetting("General", "Startup Mode", std::to_string(form.startupMode));
    settings.SaveSetting("General", "Startup Folder Mode", std::to_string(form.startupFolderMode));
    settings.SaveSetting("General", "Startup Folder", form.startupFolder);
    settings.SaveSetting("General", "Show confirmation", Flag(form.showConfirmation));
    settings.SaveSetting("General", "Close extract window", Flag(form.closeExtractWindow));
    settings.SaveSetting("General", "Keep broken files", Flag(form.keepBrokenFiles));
    settings.SaveSetting("General", "DCAction", std::to_string(form.doubleClickAction));
    settings.SaveSetting(kExtractHereSection, kExtractHereAlwaysFolderKey,
                         Flag(form.extractHereFolder == 1));
    settings.SaveSetting(kExtractHereSection, kExtractHereNumberedKey,
                         Flag(form.extractHereNumbered));
    settings.SaveSetting(kNameEncodingSection, kNameEncodingKey, form.nameEncoding);
    return true;
  });
  LoadSettings(vars, dialogs);
}

}  // namespace tessaly
