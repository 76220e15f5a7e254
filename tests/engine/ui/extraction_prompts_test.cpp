// The confirmation window clicked as a user does, and long texts in it and in File Exists.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "engine/ui/confirmation_window.h"
#include "engine/ui/file_exists_window.h"
#include "support/engine_fixture.h"
#include "support/ui/text_checks.h"

namespace tessaly::testing {
namespace {

class ConfirmationWindowTest : public EngineTest {
 protected:
  ConfirmationWindowTest() {
    SetSetting("General", "Show confirmation", "1");
    session.mainWindow.destinationBox.text = PathOf("to <here>") + "/";
    session.job.confirmCancelled = true;
  }

  // Opens the dialog as the driver does, unticks its boxes and presses a button.
  void PressWithBoxUnticked(const char* button) {
    confirmation.Load(session);
    ConfirmationWindow window(session, confirmation, nullptr);
    window.show();
    QTest::mouseClick(window.ShowAgainBox(), Qt::LeftButton);
    // On its text: the short box is wider than what takes a click.
    auto* keepBroken = window.findChild<QCheckBox*>("CheckKeepBroken");
    QTest::mouseClick(keepBroken, Qt::LeftButton, {}, QPoint(8, keepBroken->height() / 2));
    EXPECT_FALSE(window.ShowAgainBox()->isChecked());
    if (QString(button) == "Escape") {
      QTest::keyClick(&window, Qt::Key_Escape);
    } else {
      QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    EXPECT_FALSE(window.isVisible());
  }

  ConfirmationModel confirmation;
};

// Keep broken files starts from the job's choice (the setting) and changes only the job.
TEST_F(ConfirmationWindowTest, OnlyGoWithTheBoxesUntickedTurnsConfirmationsAndKeepingOff) {
  for (const char* button : {"Escape", "Command1"}) {
    SCOPED_TRACE(button);
    const bool go = QString(button) == "Command1";
    session.job.confirmCancelled = go;
    session.job.keepBroken = true;
    PressWithBoxUnticked(button);
    EXPECT_EQ(session.job.confirmCancelled, !go);
    EXPECT_EQ(GetSetting("General", "Show confirmation"), go ? "0" : "1");
    EXPECT_EQ(session.job.keepBroken, !go);
    EXPECT_EQ(GetSetting("General", "Keep broken files"), "");
  }
}

TEST_F(ConfirmationWindowTest, ANewDestinationFolderShowsInTheDialog) {
  session.job.dropMode = true;
  confirmation.Load(session);
  ConfirmationWindow window(session, confirmation, nullptr);
  window.show();
  ASSERT_TRUE(window.NewDestinationButton()->isVisible());
  EXPECT_EQ(window.NewDestinationButton()->text(), "Select New Destination Folder");
  EXPECT_EQ(window.findChild<QPushButton*>("Command1")->text(), "&Go") << "Alt+G presses Go";
  DestinationAnswer answer;
  answer.chosenDestination = PathOf("elsewhere") + "/";
  dialogs.destinationAnswers = {answer};
  QTest::mouseClick(window.NewDestinationButton(), Qt::LeftButton);
  EXPECT_EQ(window.MessageLabel()->text().toStdString(),
            std::string(kConfirmationLead) + "\n\n" + PathOf("elsewhere") + "/");
  EXPECT_TRUE(window.isVisible()) << "the dialog waits for Go or Cancel";
}

TEST_F(ConfirmationWindowTest, LongFoldersAndNamesShowWhole) {
  const std::string deep =
      "/home/user/Downloads/a folder with a long name/and another one inside it/and a third/";
  session.mainWindow.destinationBox.text = deep;
  confirmation.Load(session);
  ConfirmationWindow confirmationWindow(session, confirmation, nullptr);
  FileExistsWindow wrapped("The file " + deep +
                               "a picture from the summer.jpg already exists in the destination "
                               "folder. Overwrite it?",
                           "Existing file: 3 bytes\nFile in the archive: 5 bytes", nullptr);
  FileExistsWindow unbroken("The file " + std::string(90, 'x') +
                                ".jpg already exists in the destination folder. Overwrite it?",
                            "", nullptr);
  for (QDialog* window :
       std::initializer_list<QDialog*>{&confirmationWindow, &wrapped, &unbroken}) {
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(ClippedTexts(*window), QStringList{}) << window->windowTitle().toStdString();
  }
}

}  // namespace
}  // namespace tessaly::testing
