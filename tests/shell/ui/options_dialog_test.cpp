// The Options dialog over the real settings file, driven by clicks and keys.
#include "settings/ui/options_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>

#include "platform/ui/help_window.h"
#include "settings/options_form.h"
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

// The message boxes' texts are the core's, checked there.
std::function<void(QWidget*)> Press(const char* title, const QString& button) {
  return [=](QWidget* modal) {
    EXPECT_EQ(qobject_cast<QMessageBox*>(modal)->windowTitle(), title);
    ClickButton(modal, button);
  };
}

using OptionsDialogTest = MainWindowTest;

TEST_F(OptionsDialogTest, ShowsHiddenOutputGreyedRefusesAnEmptyFolderAndWritesWhatItShows) {
  Store("General", "Hide Output", "1");
  Store("General", "DCAction", "1");
  const std::string arj = Root() + "/tools/arj";
  std::filesystem::create_directories(Root() + "/tools");
  WriteFileText(arj, "");
  std::filesystem::permissions(arj, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  MainWindow& window = Open();
  OptionsDialog dialog(session().settings, session().dialogs, &window);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto box = [&](const char* name) { return dialog.findChild<QAbstractButton*>(name); };
  auto* folderText = dialog.findChild<QLineEdit*>("Text1");
  EXPECT_TRUE(box("OptionDC1")->isChecked() && box("Check1")->isChecked());
  for (const char* implied : {"CheckOW1", "Check2"}) {
    EXPECT_TRUE(box(implied)->isChecked() && !box(implied)->isEnabled()) << implied;
  }

  // A change on another tab, then Custom with no folder: refused, nothing written.
  ClickBox(&dialog, "CheckOW0");
  EXPECT_FALSE(folderText->isEnabled());
  ClickBox(&dialog, "Option12");
  EXPECT_TRUE(folderText->isEnabled() && box("Command4")->isEnabled());
  const std::string before = ReadFileText(SettingsFile());
  script.Then(Press("Oops!", "OK"));
  QTest::mouseClick(box("Command3"), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.focusWidget(), folderText);
  EXPECT_EQ(ReadFileText(SettingsFile()), before);

  // Cancelling the folder chooser empties the text.
  QTest::keyClicks(folderText, "typed");
  script.Then([](QWidget* modal) {
    EXPECT_EQ(modal->windowTitle(), "Select Startup Folder");
    ClickButton(modal, "Cancel");
  });
  QTest::mouseClick(box("Command4"), Qt::LeftButton);
  EXPECT_EQ(folderText->text(), "");

  // The ARJ tab: unticking frees the two boxes as stored; the chooser finds arj; ticking
  // asks, from the keyboard as from the mouse.
  ShowTab(&dialog, 3);
  ClickBox(&dialog, "Check1");
  for (const char* freed : {"CheckOW1", "Check2"})
    EXPECT_TRUE(!box(freed)->isChecked() && box(freed)->isEnabled()) << freed;
  script.Then([&](QWidget* modal) {
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->objectName(), "findArjDialog");
    EXPECT_EQ(chooser->windowTitle(), "Find Arj Utility");
    EXPECT_EQ(chooser->directory().absolutePath(), "/usr/bin");
    EXPECT_EQ(chooser->nameFilters(), QStringList{"Arj Program (arj)"});
    // Typed into a box without the focus, the chooser rewrites the name from its list.
    chooser->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(chooser));
    auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
    name->setFocus();
    QTest::keyClicks(name, QString::fromStdString(arj));
    QTest::keyClick(name, Qt::Key_Return);
  });
  QTest::mouseClick(box("BrButtonArr1"), Qt::LeftButton);
  EXPECT_EQ(dialog.findChild<QLineEdit*>("txtarjloc")->text().toStdString(), arj);
  script.Then(Press("Warning", "No"));
  box("Check1")->setFocus();
  QTest::keyClick(box("Check1"), Qt::Key_Space);
  EXPECT_FALSE(box("Check1")->isChecked());

  // A full OK writes every value the controls show.
  ShowTab(&dialog, 2);
  for (const char* name : {"CheckOW2", "OptionDC2", "Option21", "Check3", "OptionHere1",
                           "CheckHereNumbered", "CheckKeepBroken"}) {
    ClickBox(&dialog, name);
  }
  QTest::keyClicks(folderText, QString::fromStdString(Root()));
  QTest::keyClicks(dialog.findChild<QComboBox*>("ComboNames"), "CP866");
  QTest::mouseClick(box("Command3"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(ReadOptionsForm(session().settings, session().dialogs),
            (OptionsForm{.doubleClickAction = 2,
                         .startupMode = 1,
                         .showConfirmation = true,
                         .startupFolderMode = 2,
                         .startupFolder = Root(),
                         .autoOverwrite = {true, false, true, false},
                         .arjLocation = arj,
                         .extractHereFolder = 1,
                         .extractHereNumbered = true,
                         .nameEncoding = "CP866",
                         .keepBrokenFiles = true}));
}

TEST_F(OptionsDialogTest, OptionsEntryOpensTheDialogWithItsHelpAndCancelWritesNothing) {
  MainWindow& window = Open();
  const std::string before = ReadFileText(SettingsFile());
  script.Then([](QWidget* modal) {
    auto* dialog = qobject_cast<OptionsDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    QStringList tabs;
    for (int i = 0; i < dialog->Tabs()->count(); ++i) tabs << dialog->Tabs()->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"ZIP", "ACE", "RAR", "ARJ"}));
    ClickBox(dialog, "CheckOW0");
    ClickButton(dialog, "Help");
    auto* help = dialog->findChild<HelpWindow*>("helpWindow");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->Browser()->source().fileName(), "options.html");
    help->close();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  window.Action("mnuOp")->trigger();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(ReadFileText(SettingsFile()), before);
}

}  // namespace
}  // namespace tessaly::testing
