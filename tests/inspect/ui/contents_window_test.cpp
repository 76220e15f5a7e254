// The contents window opened from the real main window on archives the tests write:
// its columns and buttons by type and selection, Extract Selected by stored name, Launch and the
// text viewer, the missing-volume message, and the main window held while it is open.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <filesystem>

#include "engine/selection.h"
#include "engine/ui/destination_window.h"
#include "engine/ui/status_window.h"
#include "inspect/archive_listings.h"
#include "inspect/ui/contents_table_model.h"
#include "inspect/ui/contents_window.h"
#include "inspect/ui/text_viewer_window.h"
#include "platform/ui/folder_tree.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window_fixture.h"
#include "support/fake_opener.h"
#include "support/files.h"
#include "support/job_texts.h"
#include "support/libarchive_fixtures.h"
#include "support/rar_writer.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

class ContentsWindowTest : public MainWindowTest {
 protected:
  ContentsWindowTest() {
    SkipWelcome();
    Store("General", "Show confirmation", "0");
    Store("General", "Show File Type", "5");
    Store("General", "Show non-zip message", "no");
  }

  // The contents window the main window opened; null when none is open.
  ContentsWindow* Contents() {
    QApplication::processEvents();
    for (auto* window : mainWindow().findChildren<ContentsWindow*>()) {
      if (window->isVisible()) return window;
    }
    return nullptr;
  }

  // The entries in the order the list shows them.
  static std::vector<std::string> ShownEntries(ContentsWindow& window) {
    const auto* rows = static_cast<const ContentsTableModel*>(window.List()->model());
    std::vector<std::string> names;
    for (int row = 0; row < rows->rowCount(); ++row) names.push_back(rows->Row(row).storedName);
    return names;
  }

  static int RowOfEntry(ContentsWindow& window, const std::string& storedName) {
    const std::vector<std::string> names = ShownEntries(window);
    const auto found = std::find(names.begin(), names.end(), storedName);
    if (found == names.end()) ADD_FAILURE() << storedName << " is not listed";
    return found == names.end() ? 0 : static_cast<int>(found - names.begin());
  }

  static QPoint RowCenter(ContentsWindow& window, int row) {
    return window.List()->visualRect(window.List()->model()->index(row, 0)).center();
  }

  static void ClickEntry(ContentsWindow& window, const std::string& storedName,
                         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(window.List()->viewport(), Qt::LeftButton, modifiers,
                      RowCenter(window, RowOfEntry(window, storedName)));
  }

  static std::vector<bool> ActionStates(ContentsWindow& window) {
    return {window.LaunchButton()->isEnabled(), window.ViewButton()->isEnabled(),
            window.ExtractButton()->isEnabled(), window.ExtractToButton()->isEnabled()};
  }

  // The main window is held: disabled and busy.
  bool MainHeld() {
    return !mainWindow().IsEnabled() && mainWindow().cursor().shape() == Qt::WaitCursor;
  }
  bool MainFree() {
    return mainWindow().IsEnabled() && mainWindow().cursor().shape() == Qt::ArrowCursor;
  }

  void ExpectOnlyTheMessage(QWidget* modal, const std::string& title, const std::string& text,
                            const QString& button) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle().toStdString(), title);
    EXPECT_EQ(box->text().toStdString(), text);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    ClickButton(box, button);
  }
};

TEST_F(ContentsWindowTest, OpensFromTheMainWindowAndHoldsItButtonsFollowTheSelection) {
  WriteZip(Browse() + "a.zip", {{"docs/", ""}, {"docs/one.txt", "1"}, {"two.txt", "2"}});
  WriteRar(Browse() + "b.rar", {{"docs/one.txt", "1"}, {"two.txt", "2"}});
  const TempFolder tree;
  fs::create_directory(tree.path() / "docs");
  WriteFileText(tree.path() / "docs/one.txt", "1");
  WriteFileText(tree.path() / "two.txt", "2");
  ASSERT_EQ(RunTool({"bsdtar", "-czf", Browse() + "c.tar.gz", "docs", "two.txt"}, tree.path()), 0);
  const struct {
    const char* archive;
    bool doubleClick;  // opened by the double-click action "1", else by File > Archive Contents
    const char* header;
    Qt::Key closeKey;  // pressed in the list
  } cases[] = {
      {"a.zip", false, "Filename|Date|Actual Size|Compression|Packed Size|Path", Qt::Key_Return},
      {"b.rar", true, "Filename|Actual Size|Packed Size|Path", Qt::Key_Escape},
      {"c.tar.gz", false, "Filename|Date|Actual Size|Path", Qt::Key_Escape},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    Store("General", "DCAction", c.doubleClick ? "1" : "0");
    Open();
    ClickRow(c.archive);
    if (c.doubleClick) {
      const FileListView& list = mainWindow().FileList();
      QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                         list.visualRect(list.model()->index(RowOf(c.archive), 0)).center());
    } else {
      mainWindow().Action("mnuZC")->trigger();
    }
    ContentsWindow* window = Contents();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle().toStdString(), "Contents of " + Browse() + c.archive);
    EXPECT_TRUE(MainHeld());
    EXPECT_FALSE(window->isModal());
    QStringList header;
    for (int i = 0; i < window->List()->model()->columnCount(); ++i)
      header << window->List()->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(header.join('|').toStdString(), c.header);
    // A folder entry is named and drawn as a folder and is no file; dates read as the locale's.
    EXPECT_EQ(window->TotalsLabel()->text().toStdString(), ListingTotals(2, 2));
    const QAbstractItemModel& shown = *window->List()->model();
    if (header.contains("Date")) {
      EXPECT_EQ(shown.index(RowOfEntry(*window, "docs/"), 0).data().toString(), "docs");
    }
    if (c.archive == std::string("a.zip")) {
      EXPECT_EQ(
          shown.index(RowOfEntry(*window, "two.txt"), 1).data().toString(),
          QLocale().toString(QDateTime(QDate(2024, 3, 7), QTime(9, 5)), QLocale::ShortFormat));
    }
    for (QPushButton* button : {window->LaunchButton(), window->ViewButton(),
                                window->ExtractButton(), window->ExtractToButton()}) {
      EXPECT_TRUE(button->isVisible()) << button->text().toStdString();
    }
    EXPECT_TRUE(window->DoneButton()->isDefault());

    // Nothing is selected at first; one row, then two.
    EXPECT_EQ(ActionStates(*window), (std::vector<bool>{false, false, false, false}));
    ClickEntry(*window, "docs/one.txt");
    EXPECT_EQ(ActionStates(*window), (std::vector<bool>{true, true, true, true}));
    ClickEntry(*window, "two.txt", Qt::ControlModifier);
    EXPECT_EQ(ActionStates(*window), (std::vector<bool>{false, false, true, true}));

    const QPointer<ContentsWindow> closing(window);
    // Enter presses Done, the default button; Escape closes the window too.
    QTest::keyClick(window->List(), c.closeKey);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    EXPECT_TRUE(MainFree());
  }
}

// Every type the window lists takes its commands: a RAR archive here.
TEST_F(ContentsWindowTest, ExtractsTheChosenEntriesByTheirStoredNamesAndStaysUsable) {
  WriteRar(Browse() + "a.rar", {{"docs/readme.txt", "read me"},
                                {"a/same.txt", "first"},
                                {"b/same.txt", "second"},
                                {"top.txt", "top"}});
  const std::string out = Root() + "/out/";
  fs::create_directories(out);
  Open();
  mainWindow().DestinationBox().setEditText(QString::fromStdString(Browse()));
  ClickRow("a.rar");
  mainWindow().Action("mnuZC")->trigger();
  ContentsWindow* window = Contents();
  ASSERT_NE(window, nullptr);
  // The second click on Actual Size sorts by it downwards; the chosen rows are the entries
  // shown there.
  QHeaderView* header = window->List()->header();
  for (int click = 0; click < 2; ++click) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
  }
  EXPECT_EQ(ShownEntries(*window),
            (std::vector<std::string>{"docs/readme.txt", "b/same.txt", "a/same.txt", "top.txt"}));
  ClickEntry(*window, "docs/readme.txt");
  ClickEntry(*window, "b/same.txt", Qt::ControlModifier);

  // A job refused before it starts leaves no entry selection behind for the next one.
  const std::string missing = Root() + "/missing/";
  mainWindow().DestinationBox().setEditText(QString::fromStdString(missing));
  script.Then([&](QWidget* modal) {
    EXPECT_EQ(qobject_cast<QMessageBox*>(modal)->text().toStdString(),
              "The folder \"" + missing + "\" does not exist. Would you like it to be created?");
    ClickButton(modal, "No");
  });
  QTest::mouseClick(window->ExtractButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(session().job.selectedEntriesMode);
  mainWindow().DestinationBox().setEditText(QString::fromStdString(Browse()));

  // Extract Selected File(s) To, cancelled: nothing happens.
  script.Then([](QWidget* modal) {
    ASSERT_NE(qobject_cast<DestinationWindow*>(modal), nullptr);
    ClickButton(modal, "Cancel");
  });
  QTest::mouseClick(window->ExtractToButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(mainWindow().DestinationBox().currentText().toStdString(), Browse());
  EXPECT_EQ(dialogs().Status(), nullptr);

  // Then to a chosen folder: the destination box shows it, exactly the chosen entries land.
  script.Then([&](QWidget* modal) {
    auto* destination = qobject_cast<DestinationWindow*>(modal);
    ASSERT_NE(destination, nullptr);
    destination->Tree()->SelectFolder(QString::fromStdString(out));
    QTest::mouseClick(destination->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(window->ExtractToButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(mainWindow().DestinationBox().currentText().toStdString(), out);
  EXPECT_EQ(ReadFileText(out + "docs/readme.txt"), "read me");
  EXPECT_EQ(ReadFileText(out + "b/same.txt"), "second");
  EXPECT_FALSE(fs::exists(out + "a"));
  EXPECT_FALSE(fs::exists(out + "top.txt"));

  // The Status window's OK leaves the main window disabled for the contents window.
  ASSERT_NE(dialogs().Status(), nullptr);
  EXPECT_EQ(dialogs().Status()->ArchiveLabel()->text().toStdString(), kFinished);
  QTest::mouseClick(dialogs().Status()->CancelButton(), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(mainWindow().IsEnabled());
  ASSERT_EQ(Contents(), window);
  EXPECT_TRUE(window->isEnabled());

  // Its buttons still work after the job. The filter narrows the rows by name, and Enter
  // there goes on to them without closing the window.
  QTest::keyClicks(window->FilterBox(), "SAME");
  EXPECT_EQ(ShownEntries(*window), (std::vector<std::string>{"b/same.txt", "a/same.txt"}));
  QTest::keyClick(window->FilterBox(), Qt::Key_Return);
  EXPECT_TRUE(window->isVisible());
  ClickEntry(*window, "a/same.txt");
  EXPECT_EQ(window->ViewButton()->text(), "View in Text Viewer");
  QTest::mouseClick(window->ViewButton(), Qt::LeftButton);
  auto* viewer = mainWindow().findChild<TextViewerWindow*>("TextViewer");
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->Text()->toPlainText(), "first");
  EXPECT_EQ(viewer->windowTitle(), "same.txt");

  QTest::mouseClick(window->DoneButton(), Qt::LeftButton);
  EXPECT_TRUE(MainFree());
  EXPECT_TRUE(viewer->isVisible());
}

// Names a Russian DOS system stored: "Names:" shows the code page found; another choice
// lists them again, and Extract names the files on disk as the list does.
TEST_F(ContentsWindowTest, NamesChoiceReadsTheListingAgainAndExtractFollowsIt) {
  WriteRar(Browse() + "ru.rar", {{"\x8e\xe2\xe7\xf1\xe2.txt", "1"}, {"\xab\xa5\xe2\xae.txt", "2"}});
  Open();
  mainWindow().DestinationBox().setEditText(QString::fromStdString(Browse()));
  ClickRow("ru.rar");
  mainWindow().Action("mnuZC")->trigger();
  ContentsWindow* window = Contents();
  ASSERT_NE(window, nullptr);
  auto* names = window->findChild<QComboBox*>("ComboNames");
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names->itemText(0).toStdString(), "Automatic (CP866)");
  EXPECT_EQ(ShownEntries(*window), (std::vector<std::string>{"лето.txt", "Отчёт.txt"}));

  names->setFocus();
  QTest::keyClicks(names, "CP1251");
  EXPECT_EQ(names->currentText().toStdString(), "CP1251");
  EXPECT_EQ(ShownEntries(*window), (std::vector<std::string>{"«Ґв®.txt", "Ћвзсв.txt"}));
  EXPECT_EQ(names->itemText(0).toStdString(), "Automatic (CP866)");

  ClickEntry(*window, "Ћвзсв.txt");
  QTest::mouseClick(window->ExtractButton(), Qt::LeftButton);
  ASSERT_NE(dialogs().Status(), nullptr);
  EXPECT_EQ(ReadFileText(Browse() + "Ћвзсв.txt"), "1");
  EXPECT_FALSE(fs::exists(Browse() + "Отчёт.txt"));
}

TEST_F(ContentsWindowTest, LaunchHandsTheEntryToTheDesktopOrOffersTheTextViewer) {
  WriteZip(Browse() + "a.zip", {{"docs/note.txt", "héllo\nfind me\n"}, {"bad.txt", "damaged"}});
  DamageBytes(Browse() + "a.zip", "damaged");
  Open();
  ClickRow("a.zip");
  mainWindow().Action("mnuZC")->trigger();
  ContentsWindow* window = Contents();
  ASSERT_NE(window, nullptr);
  const std::string unpacked = session().settings.tempFolder + "note.txt";

  FakeOpener opener;
  ClickEntry(*window, "docs/note.txt");
  QTest::mouseClick(window->LaunchButton(), Qt::LeftButton);
  EXPECT_EQ(opener.WaitForArguments(), std::vector<std::string>{unpacked});
  EXPECT_EQ(ReadFileText(unpacked), "héllo\nfind me\n");

  // A right-button double click does nothing; a left one launches, and with no
  // application the viewer is offered. The file is there now: it is replaced.
  opener.FindNothing();
  const QPoint row = RowCenter(*window, RowOfEntry(*window, "docs/note.txt"));
  // QTest's double click ends on the press; the release completes it.
  QTest::mouseDClick(window->List()->viewport(), Qt::RightButton, Qt::NoModifier, row);
  QTest::mouseRelease(window->List()->viewport(), Qt::RightButton, Qt::NoModifier, row);
  QApplication::processEvents();
  EXPECT_EQ(mainWindow().findChild<TextViewerWindow*>("TextViewer"), nullptr);
  script.Then([](QWidget* exists) { ClickButton(exists, "Yes"); });
  script.Then([&](QWidget* modal) {
    ExpectOnlyTheMessage(modal, "Launch",
                         "There is no application associated with this file. Would you like "
                         "to open the file in the text viewer?",
                         "Yes");
  });
  QTest::mouseDClick(window->List()->viewport(), Qt::LeftButton, Qt::NoModifier, row);
  QTest::mouseRelease(window->List()->viewport(), Qt::LeftButton, Qt::NoModifier, row);
  EXPECT_TRUE(script.Done());
  auto* viewer = mainWindow().findChild<TextViewerWindow*>("TextViewer");
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->Text()->toPlainText(), QString::fromUtf8("héllo\nfind me\n"));
  EXPECT_TRUE(viewer->Text()->isReadOnly());

  // Ctrl+F, a word and Enter select the match or say there is none; Esc closes the bar,
  // then the viewer.
  viewer->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
  QTest::keyClick(viewer->Text(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(viewer->FindBox()->isVisible());
  QTest::keyClicks(viewer->FindBox(), "find");
  QTest::keyClick(viewer->FindBox(), Qt::Key_Return);
  EXPECT_EQ(viewer->Text()->textCursor().selectedText(), "find");
  QTest::keyClicks(viewer->FindBox(), "x\r");
  EXPECT_EQ(viewer->Text()->textCursor().selectedText(), "");
  EXPECT_EQ(viewer->FindStatus()->text(), "Cannot find \"findx\"");
  QTest::keyClick(viewer->FindBox(), Qt::Key_Escape);
  EXPECT_FALSE(viewer->FindBox()->isVisible());
  QTest::keyClick(viewer->Text(), Qt::Key_Escape);
  EXPECT_FALSE(viewer->isVisible());

  // An entry that fails its check leaves no file to show: after the library's own
  // message the user is told the viewer could not open it.
  ClickEntry(*window, "bad.txt");
  script.Then([&](QWidget* modal) {
    ExpectOnlyTheMessage(modal, "Error",
                         "An error was encountered while processing \"" + Browse() +
                             "a.zip\". The file is probably corrupted.",
                         "OK");
  });
  script.Then([&](QWidget* modal) {
    ExpectOnlyTheMessage(modal, "Oops!", "There was an error opening the text viewer!", "OK");
  });
  QTest::mouseClick(window->ViewButton(), Qt::LeftButton);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(fs::exists(session().settings.tempFolder + "bad.txt"));
}

TEST_F(ContentsWindowTest, AnArchiveThatCannotBeListedIsToldAndNoWindowStays) {
  const std::vector<std::string> volumes = WriteRarVolumes(Browse() + "set", RarVolumeNaming::PartN,
                                                           100, {{"a.txt", std::string(300, 'a')}});
  fs::remove(volumes[1]);
  WriteFileText(Browse() + "bad.zip", "not an archive");
  const struct {
    const char* file;
    std::string message;
  } cases[] = {
      {"set.part1.rar", kRarListingMissingVolume},
      {"bad.zip", NotSupportedText(Browse() + "bad.zip")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Open();
    ClickRow(c.file);
    script.Then([&](QWidget* modal) {
      EXPECT_EQ(mainWindow().cursor().shape(), Qt::WaitCursor);
      ExpectOnlyTheMessage(modal, "Oops!", c.message, "OK");
    });
    mainWindow().Action("mnuZC")->trigger();
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(Contents(), nullptr);
    EXPECT_TRUE(MainFree());
  }
}

}  // namespace
}  // namespace tessaly::testing
