// The Options dialog: a view over an OptionsForm, shown modally. It reads the settings
// when it opens; OK checks the form, writes it and reloads the settings; Cancel, Escape
// and the close box write nothing. Help is left to whoever shows help pages.
#pragma once

#include <QDialog>
#include <array>

#include "settings/options_form.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace tessaly {

class Dialogs;
struct SettingsVars;

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // Questions and the folder chooser go through dialogs; vars is reloaded on open and OK.
  OptionsDialog(SettingsVars& vars, Dialogs& dialogs, QWidget* parent = nullptr);

  QTabWidget* Tabs() const { return archiveTabs_; }

 signals:
  void helpRequested();

 private:
  void BuildControls();
  void ShowForm();
  void ShowStartupFolderState();
  void TakeControls();
  void BrowseStartupFolder();
  void BrowseArjLocation();
  void OkClicked();

  SettingsVars& vars_;
  Dialogs& dialogs_;
  OptionsForm form_;

  std::array<QRadioButton*, 3> doubleClickOptions_{};
  std::array<QRadioButton*, 2> startupModeOptions_{};
  std::array<QRadioButton*, 3> startupFolderOptions_{};
  QCheckBox* showConfirmationBox_ = nullptr;
  std::array<QRadioButton*, 2> extractHereOptions_{};
  QCheckBox* extractHereNumberedBox_ = nullptr;
  QComboBox* nameEncodingBox_ = nullptr;
  QLineEdit* startupFolderText_ = nullptr;
  QPushButton* startupFolderBrowse_ = nullptr;
  QTabWidget* archiveTabs_ = nullptr;
  std::array<QCheckBox*, kOverwriteTypes> overwriteBoxes_{};
  QLineEdit* arjLocationText_ = nullptr;
  QPushButton* arjLocationBrowse_ = nullptr;
  QCheckBox* hideOutputBox_ = nullptr;
  QCheckBox* closeWindowBox_ = nullptr;
  QCheckBox* keepBrokenBox_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* helpButton_ = nullptr;
};

}  // namespace tessaly
