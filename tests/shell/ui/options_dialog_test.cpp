// The Options dialog over the real settings file: what it shows, its rules on clicks,
// its two choosers, and that OK writes what it shows while a refusal writes nothing.
#include "settings/ui/options_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "shell/ui/main_window_fixture.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

// A click on a button's box, where its caption cannot miss.
void ClickBox(QWidget* dialog, const char* name) {
  auto* button = dialog->findChild<QAbstractButton*>(name);
  ASSERT_NE(button, nullptr) << name;
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void ShowTab(QWidget* dialog, int index) {
  QTabBar* bar = dialog->findChild<QTabWidget*>("SSTab2")->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

std::function<void(QWidget*)> Answer(const std::string& title, const std::string& text,
                                     const QString& button) {
  return [=](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle().toStdString(), title);
    EXPECT_EQ(box->text().toStdString(), text);
    ClickButton(box, button);
  };
}

class OptionsDialogTest : public MainWindowTest {
 protected:
  std::string SettingsText() const { return ReadFileText(SettingsFile()); }
};

TEST_F(OptionsDialogTest, ShowsHiddenOutputGreyedRefusesAnEmptyFolderAndWritesWhatItShows) {
  SkipWelcome();
  Store("General", "Hide Output", "1");
  Store("General", "DCAction", "1");
  Store("arj options", "auto overwrite", "1");
  const std::string arj = Root() + "/tools/arj";
  std::filesystem::create_directories(Root() + "/tools");
  WriteFileText(arj, "");
  MainWindow& window = Open();
  OptionsDialog dialog(session().settings, session().dialogs, &window);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto box = [&](const char* name) { return dialog.findChild<QAbstractButton*>(name); };
  auto* folderText = dialog.findChild<QLineEdit*>("Text1");
  EXPECT_TRUE(box("OptionDC1")->isChecked());
  EXPECT_TRUE(box("Check1")->isChecked());
  for (const char* implied : {"CheckOW1", "Check2"}) {
    EXPECT_TRUE(box(implied)->isChecked()) << implied;
    EXPECT_FALSE(box(implied)->isEnabled()) << implied;
  }
  EXPECT_FALSE(folderText->isEnabled());

  // A change on another tab, then Custom with no folder: refused, nothing written.
  ClickBox(&dialog, "CheckOW0");
  ClickBox(&dialog, "Option12");
  EXPECT_TRUE(folderText->isEnabled());
  EXPECT_TRUE(box("Command4")->isEnabled());
  const std::string before = SettingsText();
  script.Then(
      Answer("Oops!",
             "If Startup Folder option \"Custom:\" is chosen, you must enter a valid folder "
             "name in the space provided.",
             "OK"));
  QTest::mouseClick(box("Command3"), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.focusWidget(), folderText);
  EXPECT_EQ(SettingsText(), before);

  // Cancelling the folder chooser empties the text.
  QTest::keyClicks(folderText, "typed");
  script.Then([](QWidget* modal) {
    EXPECT_EQ(modal->windowTitle(), "Select Startup Folder");
    ClickButton(modal, "Cancel");
  });
  QTest::mouseClick(box("Command4"), Qt::LeftButton);
  EXPECT_EQ(folderText->text(), "");

  // The ARJ tab: unticking frees the two boxes, ticking again asks; the chooser finds arj.
  ShowTab(&dialog, 3);
  ClickBox(&dialog, "Check1");
  EXPECT_TRUE(box("CheckOW1")->isEnabled() && box("Check2")->isEnabled());
  ClickBox(&dialog, "Check2");
  script.Then([&](QWidget* modal) {
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->objectName(), "findArjDialog");
    EXPECT_EQ(chooser->windowTitle(), "Find Arj Utility");
    EXPECT_EQ(chooser->directory().absolutePath(), "/usr/bin");
    EXPECT_EQ(chooser->nameFilters(), QStringList{"Arj Program (arj)"});
    auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    // Typed into a box without the focus, the chooser rewrites the name from its list.
    chooser->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(chooser));
    name->setFocus();
    QTest::keyClicks(name, QString::fromStdString(arj));
    QTest::keyClick(name, Qt::Key_Return);
  });
  QTest::mouseClick(box("BrButtonArr1"), Qt::LeftButton);
  EXPECT_EQ(dialog.findChild<QLineEdit*>("txtarjloc")->text().toStdString(), arj);

  script.Then(Answer("Warning",
                     "If this option is selected, the Arj archive utility is set to automatically "
                     "overwrite existing files without prompting during extract operations. Any "
                     "errors encountered by the utility during extraction will be unseen, possibly "
                     "causing unwanted results. Do you wish to continue?",
                     "No"));
  // From the keyboard as from the mouse: the rule holds however the box is ticked.
  box("Check1")->setFocus();
  QTest::keyClick(box("Check1"), Qt::Key_Space);
  EXPECT_FALSE(box("Check1")->isChecked());
  EXPECT_TRUE(box("CheckOW1")->isEnabled());

  // A full OK writes every value the controls show.
  ShowTab(&dialog, 2);
  ClickBox(&dialog, "CheckOW2");
  ClickBox(&dialog, "OptionDC2");
  ClickBox(&dialog, "Option21");
  ClickBox(&dialog, "Check3");
  QTest::keyClicks(folderText, QString::fromStdString(Root()));
  QTest::mouseClick(box("Command3"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const struct {
    const char* section;
    const char* key;
    std::string value;
  } kWritten[] = {
      {"Utility Locations", "arj", arj},        {"zip options", "auto overwrite", "1"},
      {"arj options", "auto overwrite", "1"},   {"rar options", "auto overwrite", "1"},
      {"ace options", "auto overwrite", "0"},   {"General", "Hide Output", "0"},
      {"General", "Startup Mode", "1"},         {"General", "Startup Folder Mode", "2"},
      {"General", "Startup Folder", Root()},    {"General", "Show confirmation", "1"},
      {"General", "Close extract window", "0"}, {"General", "DCAction", "2"},
  };
  for (const auto& row : kWritten) EXPECT_EQ(Stored(row.section, row.key), row.value) << row.key;
  EXPECT_EQ(session().settings.arjLocation, arj) << "the settings are reloaded";
}

TEST_F(OptionsDialogTest, OptionsEntryOpensTheDialogAndCancelWritesNothing) {
  SkipWelcome();
  MainWindow& window = Open();
  const std::string before = SettingsText();
  script.Then([](QWidget* modal) {
    auto* dialog = qobject_cast<OptionsDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Options");
    QStringList tabs;
    for (int i = 0; i < dialog->Tabs()->count(); ++i) tabs << dialog->Tabs()->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"ZIP", "ACE", "RAR", "ARJ"}));
    ClickBox(dialog, "CheckOW0");
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  window.Action("mnuOp")->trigger();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(SettingsText(), before);
}

}  // namespace
}  // namespace tessaly::testing
