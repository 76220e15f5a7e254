// What the Options dialog shows and the rules behind it: reading the settings into the
// form, the "Hide Arj extract output" box, checking the two paths on OK and writing
// every value back. The dialog is a view over an OptionsForm.
#pragma once

#include <array>
#include <string>

#include "settings/settings_vars.h"

namespace tessaly {

class Dialogs;

// Indexes of the automatic-overwrite boxes, one per archive type.
enum OverwriteIndex { kOverwriteZip = 0, kOverwriteArj = 1, kOverwriteRar = 2, kOverwriteAce = 3 };
inline constexpr int kOverwriteTypes = 4;
// Settings section and keys of the Extract Here choices.
inline constexpr const char* kExtractHereSection = "Extract Here";
inline constexpr const char* kExtractHereAlwaysFolderKey = "Always new folder";
inline constexpr const char* kExtractHereNumberedKey = "Numbered folder";
// The choice of "Startup Folder:" that takes the folder typed beside it.
inline constexpr int kStartupFolderCustom = 2;

struct OptionsForm {
  int doubleClickAction = 0;  // 0 Extract, 1 View Archive Contents, 2 Launch
  int startupMode = 0;        // 0 Normal, 1 Drop Target
  bool showConfirmation = false;
  int startupFolderMode = 0;  // 0 Current, 1 Last Used, 2 Custom
  std::string startupFolder{};
  std::array<bool, kOverwriteTypes> autoOverwrite{};  // by OverwriteIndex
  std::string arjLocation{};
  bool hideOutput = false;
  bool closeExtractWindow = false;
  int extractHereFolder = 0;         // 0 only for several top-level items, 1 always a new folder
  bool extractHereNumbered = false;  // a numbered folder rather than File Exists
  std::string nameEncoding = kAutomaticNameEncoding;  // "Names:", or a code page
  bool keepBrokenFiles = false;
  // Hidden output always overwrites and closes its window, so the two boxes are
  // greyed while it is ticked.
  bool arjOverwriteEnabled = true;
  bool closeExtractWindowEnabled = true;
  // The two boxes as they were before hidden output ticked them, given back when it is
  // unticked.
  bool arjOverwriteBeforeHiding = false;
  bool closeExtractWindowBeforeHiding = false;

  // The custom folder's text and its "..." take input only while Custom is chosen.
  bool StartupFolderEnabled() const { return startupFolderMode == kStartupFolderCustom; }

  bool operator==(const OptionsForm&) const = default;
};

// Reloads the settings into vars, then fills the form from them. A missing or
// unreadable number chooses the first option; Hide Output "1" ticks and greys the ARJ
// overwrite and close-window boxes.
OptionsForm ReadOptionsForm(SettingsVars& vars, Dialogs& dialogs);

// The box "Hide Arj extract output" was clicked and is now ticked or not. Ticking asks
// first: No unticks it again, Yes ticks and greys the two boxes it implies. Unticking
// gives the two boxes back to the user with their ticks from before.
void HideOutputClicked(OptionsForm& form, bool ticked, Dialogs& dialogs);

enum class OptionsField { None, StartupFolder, ArjLocation };

struct OptionsCheck {
  bool passed = true;
  OptionsField focus = OptionsField::None;  // the field that takes the focus
  bool selectText = false;                  // its whole text selected
};

// OK's checks, in order: the custom start-up folder is given and exists, and the ARJ
// location, when given, is an existing file. The first that fails is said in a message
// box; nothing may be written then.
OptionsCheck ValidateOptionsForm(const OptionsForm& form, Dialogs& dialogs);

// Writes every value of the form at once (a cleared ARJ location deletes the stored
// one), then reloads the settings into vars.
void WriteOptionsForm(const OptionsForm& form, SettingsVars& vars, Dialogs& dialogs);

}  // namespace tessaly
