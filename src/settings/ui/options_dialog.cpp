#include "settings/ui/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "name_encoding.h"
#include "platform/dialogs.h"
#include "settings/settings_vars.h"

namespace tessaly {

namespace {

constexpr const char* kOverwriteCaption = "Overwrite existing files without prompting.";

QGroupBox* Group(const char* name, const char* caption) {
  auto* group = new QGroupBox(QString::fromUtf8(caption));
  group->setObjectName(QString::fromUtf8(name));
  return group;
}

// One option button of a group; its object name carries its index, as the stored
// value does.
QRadioButton* Option(const char* arrayName, int index, const char* caption, QLayout* layout) {
  auto* option = new QRadioButton(QString::fromUtf8(caption));
  option->setObjectName(QString::fromUtf8(arrayName) + QString::number(index));
  layout->addWidget(option);
  return option;
}

QPushButton* BrowseButton(const char* name) {
  auto* button = new QPushButton(QStringLiteral("..."));
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  return button;
}

template <size_t N>
int ChosenIndex(const std::array<QRadioButton*, N>& options) {
  for (size_t index = 0; index < N; ++index) {
    if (options[index]->isChecked()) return static_cast<int>(index);
  }
  return 0;
}

QWidget* OverwritePage(QCheckBox* overwrite) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(overwrite);
  layout->addStretch(1);
  return page;
}

}  // namespace

OptionsDialog::OptionsDialog(SettingsVars& vars, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), vars_(vars), dialogs_(dialogs) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setObjectName("Form5");
  setWindowTitle("Options");
  BuildControls();
  form_ = ReadOptionsForm(vars_, dialogs_);
  ShowForm();
}

void OptionsDialog::BuildControls() {
  // General Options: the double-click action and start-up mode on the left, the
  // start-up folder on the right.
  QGroupBox* doubleClick = Group("Frame5", "File Double-click Action:");
  auto* doubleClickLayout = new QVBoxLayout(doubleClick);
  doubleClickOptions_ = {Option("OptionDC", 0, "Extract", doubleClickLayout),
                         Option("OptionDC", 1, "View Archive Contents", doubleClickLayout),
                         Option("OptionDC", 2, "Launch", doubleClickLayout)};
  QGroupBox* startupMode = Group("Frame4", "Startup Mode:");
  auto* startupModeLayout = new QVBoxLayout(startupMode);
  startupModeOptions_ = {Option("Option2", 0, "Normal", startupModeLayout),
                         Option("Option2", 1, "Drop Target", startupModeLayout)};
  QGroupBox* startupFolder = Group("Frame3", "Startup Folder:");
  auto* startupFolderLayout = new QVBoxLayout(startupFolder);
  startupFolderOptions_ = {Option("Option1", 0, "Current", startupFolderLayout),
                           Option("Option1", 1, "Last Used", startupFolderLayout),
                           Option("Option1", 2, "Custom:", startupFolderLayout)};
  startupFolderText_ = new QLineEdit;
  startupFolderText_->setObjectName("Text1");
  // Room for a folder path of a usual length.
  startupFolderText_->setMinimumWidth(startupFolderText_->fontMetrics().averageCharWidth() * 32);
  startupFolderBrowse_ = BrowseButton("Command4");
  auto* customRow = new QHBoxLayout;
  customRow->addWidget(startupFolderText_, 1);
  customRow->addWidget(startupFolderBrowse_);
  startupFolderLayout->addLayout(customRow);
  startupFolderLayout->addStretch(1);
  showConfirmationBox_ = new QCheckBox("Show extract confirmation");
  showConfirmationBox_->setObjectName("Check3");

  QGroupBox* extractHere = Group("FrameHere", "Extract Here:");
  auto* extractHereLayout = new QVBoxLayout(extractHere);
  extractHereOptions_ = {
      Option("OptionHere", 0, "Only when the archive has several top-level items",
             extractHereLayout),
      Option("OptionHere", 1, "Always into a new folder", extractHereLayout)};
  extractHereNumberedBox_ = new QCheckBox("Number the new folder when its name is taken");
  extractHereNumberedBox_->setObjectName("CheckHereNumbered");
  extractHereLayout->addWidget(extractHereNumberedBox_);

  QGroupBox* general = Group("Frame2", "General Options:");
  auto* generalLayout = new QGridLayout(general);
  generalLayout->addWidget(doubleClick, 0, 0);
  generalLayout->addWidget(startupMode, 1, 0);
  generalLayout->addWidget(startupFolder, 0, 1, 2, 1);
  generalLayout->addWidget(showConfirmationBox_, 2, 0, 1, 2);
  generalLayout->addWidget(extractHere, 3, 0, 1, 2);
  nameEncodingBox_ = new QComboBox;
  nameEncodingBox_->setObjectName("ComboNames");
  nameEncodingBox_->addItem(kAutomaticNameEncoding);
  for (const std::string& encoding : codepage::name_encodings()) {
    nameEncodingBox_->addItem(QString::fromStdString(encoding));
  }
  auto* namesRow = new QHBoxLayout;
  auto* namesLabel = new QLabel("Names:");
  namesLabel->setBuddy(nameEncodingBox_);
  namesRow->addWidget(namesLabel);
  namesRow->addWidget(nameEncodingBox_, 1);
  generalLayout->addLayout(namesRow, 4, 0, 1, 2);
  generalLayout->setColumnStretch(1, 1);

  // Archive Options: one tab per type; the boxes are indexed in the order zip, arj,
  // rar, ace, the tabs shown ZIP, ACE, RAR, ARJ.
  for (int index = 0; index < kOverwriteTypes; ++index) {
    overwriteBoxes_[index] = new QCheckBox(kOverwriteCaption);
    overwriteBoxes_[index]->setObjectName("CheckOW" + QString::number(index));
  }
  auto* arjLabel = new QLabel("Location of \"arj\":");
  arjLabel->setObjectName("Label1");
  arjLocationText_ = new QLineEdit;
  arjLocationText_->setObjectName("txtarjloc");
  arjLabel->setBuddy(arjLocationText_);
  arjLocationBrowse_ = BrowseButton("BrButtonArr1");
  hideOutputBox_ = new QCheckBox("Hide Arj extract output");
  hideOutputBox_->setObjectName("Check1");
  closeWindowBox_ = new QCheckBox("Close Arj extract output window when finished");
  closeWindowBox_->setObjectName("Check2");
  auto* arjPage = new QWidget;
  auto* arjLayout = new QGridLayout(arjPage);
  arjLayout->addWidget(arjLabel, 0, 0, 1, 2);
  arjLayout->addWidget(arjLocationText_, 1, 0);
  arjLayout->addWidget(arjLocationBrowse_, 1, 1);
  arjLayout->addWidget(hideOutputBox_, 2, 0, 1, 2);
  arjLayout->addWidget(closeWindowBox_, 3, 0, 1, 2);
  arjLayout->addWidget(overwriteBoxes_[kOverwriteArj], 4, 0, 1, 2);
  arjLayout->setRowStretch(5, 1);

  archiveTabs_ = new QTabWidget;
  archiveTabs_->setObjectName("SSTab2");
  archiveTabs_->addTab(OverwritePage(overwriteBoxes_[kOverwriteZip]), "ZIP");
  archiveTabs_->addTab(OverwritePage(overwriteBoxes_[kOverwriteAce]), "ACE");
  archiveTabs_->addTab(OverwritePage(overwriteBoxes_[kOverwriteRar]), "RAR");
  archiveTabs_->addTab(arjPage, "ARJ");
  QGroupBox* archive = Group("Frame1", "Archive Options:");
  auto* archiveLayout = new QVBoxLayout(archive);
  archiveLayout->addWidget(archiveTabs_);
  keepBrokenBox_ = new QCheckBox("Keep broken files");
  keepBrokenBox_->setObjectName("CheckKeepBroken");
  archiveLayout->addWidget(keepBrokenBox_);

  okButton_ = new QPushButton("OK");
  okButton_->setObjectName("Command3");
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton("Cancel");
  cancelButton_->setObjectName("Command2");
  cancelButton_->setAutoDefault(false);
  helpButton_ = new QPushButton("Help");
  helpButton_->setObjectName("Command1");
  helpButton_->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  buttons->addWidget(helpButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(general);
  layout->addWidget(archive);
  layout->addLayout(buttons);

  // Each option group chooses one of its own, whatever the layout puts together.
  for (const auto& group :
       {std::vector<QRadioButton*>(doubleClickOptions_.begin(), doubleClickOptions_.end()),
        std::vector<QRadioButton*>(startupModeOptions_.begin(), startupModeOptions_.end()),
        std::vector<QRadioButton*>(startupFolderOptions_.begin(), startupFolderOptions_.end()),
        std::vector<QRadioButton*>(extractHereOptions_.begin(), extractHereOptions_.end())}) {
    auto* buttonGroup = new QButtonGroup(this);
    for (QRadioButton* option : group) buttonGroup->addButton(option);
  }
  for (QRadioButton* option : startupFolderOptions_) {
    // Only the choice: the other controls may be half shown while ShowForm runs.
    connect(option, &QRadioButton::toggled, this, [this] {
      form_.startupFolderMode = ChosenIndex(startupFolderOptions_);
      ShowStartupFolderState();
    });
  }
  connect(hideOutputBox_, &QCheckBox::clicked, this, [this](bool ticked) {
    TakeControls();
    HideOutputClicked(form_, ticked, dialogs_);
    ShowForm();
  });
  connect(startupFolderBrowse_, &QPushButton::clicked, this, &OptionsDialog::BrowseStartupFolder);
  connect(arjLocationBrowse_, &QPushButton::clicked, this, &OptionsDialog::BrowseArjLocation);
  connect(okButton_, &QPushButton::clicked, this, &OptionsDialog::OkClicked);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(helpButton_, &QPushButton::clicked, this, &OptionsDialog::helpRequested);
}

void OptionsDialog::ShowForm() {
  doubleClickOptions_[form_.doubleClickAction]->setChecked(true);
  startupModeOptions_[form_.startupMode]->setChecked(true);
  startupFolderOptions_[form_.startupFolderMode]->setChecked(true);
  showConfirmationBox_->setChecked(form_.showConfirmation);
  extractHereOptions_[form_.extractHereFolder]->setChecked(true);
  extractHereNumberedBox_->setChecked(form_.extractHereNumbered);
  // A value no longer offered shows as Automatic, which is how it reads.
  nameEncodingBox_->setCurrentIndex(
      std::max(0, nameEncodingBox_->findText(QString::fromStdString(form_.nameEncoding))));
  startupFolderText_->setText(QString::fromStdString(form_.startupFolder));
  ShowStartupFolderState();
  for (int index = 0; index < kOverwriteTypes; ++index) {
    overwriteBoxes_[index]->setChecked(form_.autoOverwrite[index]);
  }
  overwriteBoxes_[kOverwriteArj]->setEnabled(form_.arjOverwriteEnabled);
  arjLocationText_->setText(QString::fromStdString(form_.arjLocation));
  hideOutputBox_->setChecked(form_.hideOutput);
  closeWindowBox_->setChecked(form_.closeExtractWindow);
  closeWindowBox_->setEnabled(form_.closeExtractWindowEnabled);
  keepBrokenBox_->setChecked(form_.keepBrokenFiles);
}

void OptionsDialog::ShowStartupFolderState() {
  startupFolderText_->setEnabled(form_.StartupFolderEnabled());
  startupFolderBrowse_->setEnabled(form_.StartupFolderEnabled());
}

void OptionsDialog::TakeControls() {
  form_.doubleClickAction = ChosenIndex(doubleClickOptions_);
  form_.startupMode = ChosenIndex(startupModeOptions_);
  form_.startupFolderMode = ChosenIndex(startupFolderOptions_);
  form_.showConfirmation = showConfirmationBox_->isChecked();
  form_.extractHereFolder = ChosenIndex(extractHereOptions_);
  form_.extractHereNumbered = extractHereNumberedBox_->isChecked();
  form_.nameEncoding = nameEncodingBox_->currentText().toStdString();
  form_.startupFolder = startupFolderText_->text().toStdString();
  for (int index = 0; index < kOverwriteTypes; ++index) {
    form_.autoOverwrite[index] = overwriteBoxes_[index]->isChecked();
  }
  form_.arjLocation = arjLocationText_->text().toStdString();
  form_.hideOutput = hideOutputBox_->isChecked();
  form_.closeExtractWindow = closeWindowBox_->isChecked();
  form_.keepBrokenFiles = keepBrokenBox_->isChecked();
}

void OptionsDialog::BrowseStartupFolder() {
  DestinationRequest request;
  request.caption = "Select Startup Folder";
  // A cancelled chooser answers "", and that empties the text.
  startupFolderText_->setText(
      QString::fromStdString(dialogs_.ChooseDestination(request).chosenDestination));
}

void OptionsDialog::BrowseArjLocation() {
  QFileDialog chooser(this, "Find Arj Utility", QStringLiteral("/usr/bin"),
                      QStringLiteral("Arj Program (arj)"));
  chooser.setObjectName("findArjDialog");
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setFileMode(QFileDialog::ExistingFile);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
  arjLocationText_->setText(chooser.selectedFiles().front());
}

void OptionsDialog::OkClicked() {
  TakeControls();
  const OptionsCheck check = ValidateOptionsForm(form_, dialogs_);
  if (!check.passed) {
    // The message box may have handed the focus to another window.
    activateWindow();
    if (check.focus == OptionsField::StartupFolder) {
      startupFolderText_->setFocus(Qt::OtherFocusReason);
      if (check.selectText) startupFolderText_->selectAll();
    }
    return;
  }
  WriteOptionsForm(form_, vars_, dialogs_);
  accept();
}

}  // namespace tessaly
