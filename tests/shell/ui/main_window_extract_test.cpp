// Jobs started from the main window: the Extract button and File > Extract through the real
// confirmation, File Exists and Status windows, Explore, Background, Cancel,
// and files dropped on the button.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
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
  MainWindowExtractTest() { Store("General", "Show confirmation", "0"); }

  // The Status window of a job that has ended with text; "OK" hands the main window back.
  void PressStatusOk(const std::string& text = kFinished) {
    StatusWindow* status = dialogs().Status();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->ArchiveLabel()->text().toStdString(), text);
    EXPECT_EQ(status->CancelButton()->text(), "&OK");
    QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(status->isVisible());
    EXPECT_TRUE(mainWindow().IsEnabled());
  }
  // Opens the window with destination in its box and name selected.
  MainWindow& OpenAndSelect(const std::string& destination, const std::string& name) {
    MainWindow& window = Open();
    window.DestinationBox().setEditText(QString::fromStdString(destination));
    ClickRow(name);
    return window;
  }
};

// Explore at the end says over the main window when no file manager opens the folder.
TEST_F(MainWindowExtractTest, ExtractButtonRunsAConfirmedJobThatOverwritesAndRefreshesTheList) {
  Store("General", "Show confirmation", "1");
  WriteZip(Browse() + "arc.zip", {{"a.txt", "new"}, {"inner.zip", "inner"}});
  WriteFileText(Browse() + "a.txt", "old");
  MainWindow& window = OpenAndSelect(Browse(), "arc.zip");

  script.Then([&](QWidget* confirmation) {
    EXPECT_EQ(confirmation->windowTitle(), "Confirmation");
    EXPECT_EQ(LabelText(confirmation, "Label1").toStdString(),
              std::string(kConfirmationLead) + "\n\n" + Browse());
    ClickButton(confirmation, "Go");
  });
  script.Then([&](QWidget* exists) {
    EXPECT_EQ(exists->windowTitle(), "File Exists");
    EXPECT_TRUE(LabelText(exists, "Label1").contains("a.txt already exists"));
    EXPECT_TRUE(
        LabelText(exists, "Label2").endsWith("archive: 3 bytes, modified 2024-03-07 09:05:00"));
    EXPECT_FALSE(window.IsEnabled());
    ClickButton(exists, "Yes");
  });
  QTest::keyClick(&window.ExtractButton(), Qt::Key_Return);
  EXPECT_TRUE(script.Done());

  ASSERT_NE(dialogs().Status(), nullptr);
  StatusWindow& status = *dialogs().Status();
  EXPECT_TRUE(status.isVisible());
  EXPECT_EQ(status.BackgroundButton()->text(), "&Explore");
  EXPECT_FALSE(window.IsEnabled());
  // The window stays while the Status window holds it.
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());

  EXPECT_EQ(ReadFileText(Browse() + "a.txt"), "new");
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"arc.zip", "inner.zip"}));
  EXPECT_EQ(ComboList(window.DestinationBox()), QStringList{QString::fromStdString(Browse())});

  FakeOpener opener;
  opener.FindNothing();
  script.Then([&](QWidget* box) {
    EXPECT_EQ(box->parentWidget(), &window);
    Answer("Oops!", "Tessaly could not open the folder \"" + Browse() + "\".")(box);
  });
  QTest::mouseClick(status.BackgroundButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(status.isVisible());
  EXPECT_TRUE(window.IsEnabled());
}

// A test writes nothing where the user looks and gives the destination box back.
TEST_F(MainWindowExtractTest, TestArchivesEndsWithTheSummaryAndWritesNothing) {
  WriteZip(Browse() + "arc.zip", {{"a.txt", "new"}, {"d/b.txt", "more"}});
  MainWindow& window = OpenAndSelect(Browse(), "arc.zip");
  window.Action("mnuTest")->trigger();
  PressStatusOk(Browse() + "arc.zip: all 2 files are intact.");
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"arc.zip"}));
  EXPECT_EQ(window.DestinationBox().currentText().toStdString(), Browse());
}

// Several top-level items get a folder of their own beside the archive; the box keeps
// the user's destination.
TEST_F(MainWindowExtractTest, ExtractHereMakesAFolderBesideTheArchive) {
  WriteZip(Browse() + "two.zip", {{"a.txt", "alpha"}, {"b.txt", "bravo"}});
  MainWindow& window = OpenAndSelect(Root(), "two.zip");
  window.Action("mnuExHere")->trigger();
  EXPECT_EQ(ReadFileText(Browse() + "two/b.txt"), "bravo");
  EXPECT_EQ(window.DestinationBox().currentText().toStdString(), Root());
  EXPECT_TRUE(window.IsEnabled());
}

TEST_F(MainWindowExtractTest, BackgroundMinimizesTheWindowAndActivationBringsTheStatusBack) {
  WriteZip(Browse() + "arc.zip", {{"a.txt", "new"}});
  WriteFileText(Browse() + "a.txt", "old");
  MainWindow& window = OpenAndSelect(Browse(), "arc.zip");

  script.Then([&](QWidget* exists) {
    StatusWindow* status = dialogs().Status();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->BackgroundButton()->text(), "&Background");
    QTest::mouseClick(status->BackgroundButton(), Qt::LeftButton);
    EXPECT_FALSE(status->isVisible());
    EXPECT_EQ(window.WindowState(), kWindowMinimized);
    ClickButton(exists, "No");
  });
  window.Action("mnuEx")->trigger();
  EXPECT_TRUE(session().job.statusMinimised);

  window.activateWindow();
  QTest::qWait(50);
  EXPECT_EQ(window.WindowState(), kWindowNormal);
  ASSERT_NE(dialogs().Status(), nullptr);
  EXPECT_TRUE(dialogs().Status()->isVisible());
  EXPECT_EQ(ReadFileText(Browse() + "a.txt"), "old");
  PressStatusOk();
}

TEST_F(MainWindowExtractTest, BrowseButtonPutsTheChosenFolderIntoTheDestinationBox) {
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

// Cancel in the Status window, pressed while the first dropped archive asks, stops the job
// before the next one.
TEST_F(MainWindowExtractTest, FilesDroppedOnExtractAreExtractedUntilCancelled) {
  WriteFileText(Out() + "s.txt", "old");
  MainWindow& window = Open();
  window.DestinationBox().setEditText(QString::fromStdString(Out()));
  EXPECT_FALSE(window.ExtractButton().isEnabled())
      << "nothing selected; files are dropped all the same";
  script.Then([&](QWidget* exists) {
    StatusWindow* status = dialogs().Status();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->CancelButton()->text(), "&Cancel");
    QTest::mouseClick(status->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(exists->findChild<QPushButton*>("Cmd0")->text(), "&Yes") << "Alt+Y presses Yes";
    ClickButton(exists, "Yes");
  });
  EXPECT_TRUE(DropFiles(&window.ExtractButton(), ArchivesToDrop()));
  EXPECT_EQ(ReadFileText(Out() + "s.txt"), "2");
  EXPECT_FALSE(std::filesystem::exists(Out() + "f.txt"));
  PressStatusOk(kNotFinished);
}

}  // namespace
}  // namespace tessaly::testing
