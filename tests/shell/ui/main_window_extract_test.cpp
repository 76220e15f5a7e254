// Jobs started from the main window: the Extract button through the real confirmation, File
// Exists and Status windows, Cancel, and files dropped on the button.
#include <QAbstractButton>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "engine/extraction_dialogs.h"
#include "engine/ui/status_window.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window_fixture.h"
#include "support/fake_opener.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

class MainWindowExtractTest : public MainWindowTest {
 protected:
  // "OK" in the Status window hands the main window back.
  void PressStatusOk(StatusWindow& status) {
    EXPECT_EQ(status.CancelButton()->text(), "OK");
    QTest::mouseClick(status.CancelButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(status.isVisible());
    EXPECT_TRUE(mainWindow().IsEnabled());
  }
};

TEST_F(MainWindowExtractTest, ExtractButtonRunsAConfirmedJobThatOverwritesAndRefreshesTheList) {
  SkipWelcome();
  Store("General", "Show confirmation", "1");
  WriteZip(Browse() + "arc.zip", {{"a.txt", "new"}, {"inner.zip", "inner"}});
  WriteFileText(Browse() + "a.txt", "old");
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(Browse()));
  ClickRow("arc.zip");

  script.Then([&](QWidget* confirmation) {
    EXPECT_EQ(confirmation->windowTitle(), "Confirmation");
    EXPECT_EQ(LabelText(confirmation, "Label1").toStdString(),
              std::string(kConfirmationLead) + "\n\n" + Browse());
    ClickButton(confirmation, "Go");
  });
  script.Then([&](QWidget* exists) {
    EXPECT_EQ(exists->windowTitle(), "File Exists");
    EXPECT_TRUE(LabelText(exists, "Label1").contains("a.txt already exists"));
    EXPECT_FALSE(window.IsEnabled());
    ClickButton(exists, "Yes");
  });
  QTest::mouseClick(&window.ExtractButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());

  ASSERT_NE(dialogs().Status(), nullptr);
  StatusWindow& status = *dialogs().Status();
  EXPECT_TRUE(status.isVisible());
  EXPECT_EQ(status.ArchiveLabel()->text().toStdString(), kFinished);
  EXPECT_EQ(status.BackgroundButton()->text(), "Explore");
  EXPECT_FALSE(window.IsEnabled());
  // The window stays while the Status window holds it.
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());

  EXPECT_EQ(ReadFileText(Browse() + "a.txt"), "new");
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"arc.zip", "inner.zip"}));
  EXPECT_EQ(ComboList(window.DestinationBox()), QStringList{QString::fromStdString(Browse())});
  PressStatusOk(status);
}

// "Other Archives" shows the archives read through libarchive; the Extract button
// extracts one into the tree it was made of.
TEST_F(MainWindowExtractTest, OtherArchivesAreShownByTheirFilterAndExtracted) {
  SkipWelcome();
  Store("General", "Show confirmation", "0");
  Store("General", "Show File Type", "6");
  const TempFolder tree;
  WriteSampleTree(tree.path());
  ASSERT_EQ(RunTool({"bsdtar", "-cJf", Browse() + "x.tar.xz", "."}, tree.path()), 0);
  ASSERT_EQ(RunTool({"gzip", "-k", "a.txt"}, tree.path()), 0);
  std::filesystem::rename(tree.path() / "a.txt.gz", Browse() + "a.txt.gz");
  WriteZip(Browse() + "arc.zip", {{"a.txt", "a"}});
  const std::string out = Root() + "/out/";
  std::filesystem::create_directories(out);
  MainWindow& window = Open();
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"a.txt.gz", "x.tar.xz"}));
  window.DestinationBox().setEditText(QString::fromStdString(out));
  ClickRow("x.tar.xz");
  QTest::mouseClick(&window.ExtractButton(), Qt::LeftButton);
  ASSERT_NE(dialogs().Status(), nullptr);
  StatusWindow& status = *dialogs().Status();
  EXPECT_EQ(status.ArchiveLabel()->text().toStdString(), kFinished);
  EXPECT_EQ(DescribeTree(out), DescribeTree(tree.path()));
  PressStatusOk(status);
}

TEST_F(MainWindowExtractTest, ExploreSaysOverTheMainWindowWhenNoFileManagerOpensTheFolder) {
  SkipWelcome();
  Store("General", "Show confirmation", "0");
  WriteZip(Browse() + "arc.zip", {{"a.txt", "a"}});
  const std::string out = Root() + "/out/";
  std::filesystem::create_directories(out);
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(out));
  ClickRow("arc.zip");
  QTest::mouseClick(&window.ExtractButton(), Qt::LeftButton);
  ASSERT_NE(dialogs().Status(), nullptr);
  StatusWindow& status = *dialogs().Status();
  ASSERT_EQ(status.BackgroundButton()->text(), "Explore");

  FakeOpener opener;
  opener.FindNothing();
  script.Then([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(box->windowTitle(), "Oops!");
    EXPECT_EQ(box->text().toStdString(), "Tessaly could not open the folder \"" + out + "\".");
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    ClickButton(box, "OK");
  });
  QTest::mouseClick(status.BackgroundButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(status.isVisible());
  EXPECT_TRUE(window.IsEnabled());
}

TEST_F(MainWindowExtractTest, CancelInTheStatusWindowStopsBeforeTheNextArchive) {
  SkipWelcome();
  Store("General", "Show confirmation", "0");
  const std::string out = Root() + "/out/";
  std::filesystem::create_directories(out);
  WriteFileText(out + "a.txt", "old");
  WriteZip(Browse() + "one.zip", {{"a.txt", "new"}});
  WriteZip(Browse() + "two.zip", {{"b.txt", "b"}});
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(out));
  ClickRow("one.zip");
  ClickRow("two.zip", Qt::ControlModifier);
  ASSERT_EQ(window.StatusPanelText(2), "2 File(s) Selected.");

  script.Then([&](QWidget* exists) {
    StatusWindow* status = dialogs().Status();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->CancelButton()->text(), "Cancel");
    QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    ClickButton(exists, "Yes");
  });
  window.Action("mnuEx")->trigger();

  ASSERT_NE(dialogs().Status(), nullptr);
  StatusWindow& status = *dialogs().Status();
  EXPECT_EQ(status.ArchiveLabel()->text().toStdString(), kNotFinished);
  EXPECT_FALSE(std::filesystem::exists(out + "b.txt"));
  PressStatusOk(status);
}

TEST_F(MainWindowExtractTest, BackgroundMinimizesTheWindowAndActivationBringsTheStatusBack) {
  SkipWelcome();
  Store("General", "Show confirmation", "0");
  WriteZip(Browse() + "arc.zip", {{"a.txt", "new"}});
  WriteFileText(Browse() + "a.txt", "old");
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(Browse()));
  ClickRow("arc.zip");

  script.Then([&](QWidget* exists) {
    StatusWindow* status = dialogs().Status();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->BackgroundButton()->text(), "Background");
    QTest::mouseClick(status->BackgroundButton(), Qt::LeftButton);
    EXPECT_FALSE(status->isVisible());
    EXPECT_EQ(window.WindowState(), kWindowMinimized);
    ClickButton(exists, "No");
  });
  QTest::mouseClick(&window.ExtractButton(), Qt::LeftButton);
  ASSERT_NE(dialogs().Status(), nullptr);
  StatusWindow& status = *dialogs().Status();
  EXPECT_TRUE(session().job.statusMinimised);

  window.activateWindow();
  QTest::qWait(50);
  EXPECT_EQ(window.WindowState(), kWindowNormal);
  EXPECT_TRUE(status.isVisible());
  PressStatusOk(status);
}

TEST_F(MainWindowExtractTest, ArchivesOnTheCommandLineAreExtractedAfterADestinationIsChosen) {
  SkipWelcome();
  Store("General", "Show confirmation", "0");
  const std::string out = Root() + "/out/";
  std::filesystem::create_directories(out);
  Store("General", "Last Used Destination Folder", out);
  WriteZip(Browse() + "my one.zip", {{"1.txt", "1"}});
  WriteZip(Browse() + "two.zip", {{"2.txt", "2"}});

  script.Then([&](QWidget* chooser) {
    EXPECT_EQ(chooser->windowTitle(), "Extract to...");
    ClickButton(chooser, "OK");
  });
  // Each argument is one path, blanks and all; a relative one is the working folder's.
  MainWindow& window = Open({"my one.zip", Browse() + "two.zip"});

  EXPECT_EQ(ReadFileText(out + "1.txt"), "1");
  EXPECT_EQ(ReadFileText(out + "2.txt"), "2");
  ASSERT_NE(dialogs().Status(), nullptr);
  EXPECT_EQ(dialogs().Status()->ArchiveLabel()->text().toStdString(), kFinished);
  EXPECT_TRUE(window.isVisible());
  PressStatusOk(*dialogs().Status());
}

TEST_F(MainWindowExtractTest, BrowseButtonPutsTheChosenFolderIntoTheDestinationBox) {
  SkipWelcome();
  const std::string out = Root() + "/out";
  std::filesystem::create_directories(out);
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(out));

  script.Then([&](QWidget* chooser) {
    EXPECT_EQ(chooser->windowTitle(), "Extract to...");
    ClickButton(chooser, "OK");
  });
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_EQ(session().mainWindow.destinationBox.text, out + "/");

  // Focus on the box selects its whole text, ready to be typed over.
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.FileList().setFocus();
  window.DestinationBox().setFocus();
  QApplication::processEvents();
  EXPECT_EQ(window.DestinationBox().lineEdit()->selectedText().toStdString(), out + "/");
}

TEST_F(MainWindowExtractTest, FilesDroppedOnExtractAreExtracted) {
  SkipWelcome();
  Store("General", "Show confirmation", "0");
  const std::string out = Root() + "/out/";
  std::filesystem::create_directories(out);
  const std::string elsewhere = Root() + "/elsewhere/";
  std::filesystem::create_directories(elsewhere);
  WriteZip(elsewhere + "first.zip", {{"f.txt", "1"}});
  WriteZip(elsewhere + "second.zip", {{"s.txt", "2"}});
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(out));
  QPushButton& button = window.ExtractButton();
  EXPECT_FALSE(button.isEnabled()) << "nothing selected; files are dropped all the same";

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QString::fromStdString(elsewhere + "second.zip")),
                 QUrl::fromLocalFile(QString::fromStdString(elsewhere + "first.zip"))});
  QDragEnterEvent offered(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                          Qt::NoModifier);
  QApplication::sendEvent(&button, &offered);
  EXPECT_TRUE(offered.isAccepted());

  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &files, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(&button, &drop);
  EXPECT_EQ(ReadFileText(out + "f.txt"), "1");
  EXPECT_EQ(ReadFileText(out + "s.txt"), "2");
  ASSERT_NE(dialogs().Status(), nullptr);
  EXPECT_EQ(dialogs().Status()->ArchiveLabel()->text().toStdString(), kFinished);
  PressStatusOk(*dialogs().Status());
}

}  // namespace
}  // namespace tessaly::testing
