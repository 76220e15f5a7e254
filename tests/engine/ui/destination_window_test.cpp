// The destination dialog as the user drives it: a real folder tree on folders made
// per test, buttons, Enter and Escape, and the modal entry point. What New and OK
// decide is the destination dialog's core tests' part.
#include "engine/ui/destination_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>

#include "engine/session.h"
#include "platform/ui/folder_tree.h"
#include "support/files.h"
#include "support/scripted_dialogs.h"
#include "support/ui/modal_driver.h"
#include "support/ui/text_checks.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::TempFolder;

DestinationWindow* AsDestinationWindow(QWidget* modal) {
  auto* window = qobject_cast<DestinationWindow*>(modal);
  EXPECT_NE(window, nullptr);
  return window;
}

class DestinationWindowTest : public ::testing::Test {
 protected:
  DestinationWindowTest() {
    dialogs.session = &session;
    fs::create_directories(temp.path() / "Data" / "Inner");
  }

  std::string Data() const { return (temp.path() / "Data").string() + "/"; }

  TempFolder temp;
  ScriptedDialogs dialogs;
  testing::CountingPump pump;
  Session session{dialogs, pump};
};

TEST_F(DestinationWindowTest, ShowsItsControlsAndGrowsOnlyForThePerArchiveBox) {
  DestinationWindow window(session);
  window.Load(DestinationRequest{});
  window.show();
  EXPECT_EQ(window.windowTitle(), "Extract to...");
  EXPECT_EQ(window.InstructionsLabel()->text(),
            "Choose a folder from the list below and press \"OK\". To create a folder, press "
            "\"New\" and enter a name in the space provided.");
  EXPECT_EQ(window.OkButton()->text(), "OK");
  EXPECT_EQ(window.NewFolderButton()->text(), "New");
  EXPECT_EQ(window.CancelButton()->text(), "Cancel");
  EXPECT_TRUE(window.OkButton()->isDefault());
  EXPECT_FALSE(window.PerArchiveFolderBox()->isVisible());
  EXPECT_EQ(window.ChosenFolderLabel()->text(), "");
  EXPECT_FALSE(window.OkButton()->isEnabled());
  EXPECT_FALSE(window.NewFolderButton()->isEnabled());
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  const int plainHeight = window.height();

  DestinationWindow enlarged(session);
  DestinationRequest request;
  request.caption = "Copy to...";
  request.showPerArchiveCheck = true;
  enlarged.Load(request);
  enlarged.show();
  EXPECT_EQ(enlarged.windowTitle(), "Copy to...");
  EXPECT_TRUE(enlarged.PerArchiveFolderBox()->isVisible());
  EXPECT_EQ(enlarged.PerArchiveFolderBox()->text(),
            "Create new folder for each zip under selected folder.");
  EXPECT_GT(enlarged.height(), plainHeight);

  const fs::path longPath = temp.path() / std::string(200, 'x');
  fs::create_directories(longPath);
  DestinationWindow deep(session);
  request.startFolder = longPath.string();
  request.showPerArchiveCheck = false;
  deep.Load(request);
  EXPECT_EQ(deep.ChosenFolderLabel()->text().toStdString(), longPath.string() + "/");
  EXPECT_EQ(deep.size(), window.size());

  // A deep path wraps after its folders' names and shows whole.
  const fs::path deeper = temp.path() / "Data" / "a folder with a long name" /
                          "and another one inside it" / "and a third one" / "and a last one";
  fs::create_directories(deeper);
  DestinationWindow wrapped(session);
  request.startFolder = deeper.string();
  wrapped.Load(request);
  wrapped.show();
  QApplication::processEvents();
  EXPECT_EQ(wrapped.ChosenFolderLabel()->text().toStdString(), deeper.string() + "/");
  EXPECT_EQ(wrapped.size(), window.size());
  EXPECT_EQ(testing::ClippedTexts(wrapped), QStringList{});
}

TEST_F(DestinationWindowTest, SelectingInTheTreeShowsTheFolderAndOkChoosesIt) {
  DestinationWindow window(session);
  window.Load(DestinationRequest{});
  ASSERT_TRUE(window.Tree()->SelectFolder(QString::fromStdString(Data() + "Inner")));
  EXPECT_EQ(window.ChosenFolderLabel()->text().toStdString(), Data() + "Inner/");
  EXPECT_TRUE(window.OkButton()->isEnabled());

  QTest::mouseClick(window.UpButton(), Qt::LeftButton);
  EXPECT_EQ(window.ChosenFolderLabel()->text().toStdString(), Data());

  ASSERT_TRUE(window.Tree()->SelectFolder(QString::fromStdString(Data())));
  dialogs.inputAnswers.push_back("Reports");
  QTest::mouseClick(window.NewFolderButton(), Qt::LeftButton);
  EXPECT_EQ(window.Tree()->SelectedPath().toStdString(), Data() + "Reports/");
  ASSERT_TRUE(window.Tree()->SelectFolder(QString::fromStdString(Data())));
  QTest::mouseClick(window.OkButton(), Qt::LeftButton);
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(session.job.chosenDestination, Data());
  EXPECT_EQ(window.Answer().chosenDestination, Data());
}

TEST_F(DestinationWindowTest, ModalOkWithEnterReturnsTheFolderAndTheTickedBox) {
  DestinationRequest request;
  request.startFolder = Data();
  request.showPerArchiveCheck = true;
  testing::WhenModalShows([](QWidget* modal) {
    DestinationWindow* window = AsDestinationWindow(modal);
    if (window == nullptr) return;
    window->PerArchiveFolderBox()->setChecked(true);
    QTest::keyClick(window->Tree(), Qt::Key_Return);
  });
  const DestinationAnswer answer = RunDestinationDialog(session, request, nullptr);

  EXPECT_EQ(answer.chosenDestination, Data());
  EXPECT_TRUE(answer.perArchiveFolder);
  EXPECT_TRUE(session.job.perArchiveFolder);
  EXPECT_EQ(session.job.chosenDestination, Data());
}

TEST_F(DestinationWindowTest, CancelEscapeAndTheCloseBoxChooseNothing) {
  const std::function<void(DestinationWindow*)> closers[] = {
      [](DestinationWindow* window) { QTest::mouseClick(window->CancelButton(), Qt::LeftButton); },
      [](DestinationWindow* window) { QTest::keyClick(window, Qt::Key_Escape); },
      [](DestinationWindow* window) { window->close(); },
  };
  for (const auto& close : closers) {
    session.job.chosenDestination = "/stale/";
    DestinationRequest request;
    request.startFolder = Data();
    testing::WhenModalShows([&close](QWidget* modal) {
      if (DestinationWindow* window = AsDestinationWindow(modal)) close(window);
    });
    const DestinationAnswer answer = RunDestinationDialog(session, request, nullptr);
    EXPECT_EQ(answer.chosenDestination, "");
    EXPECT_EQ(session.job.chosenDestination, "");
  }
}

}  // namespace
}  // namespace tessaly
