// The confirmation, File Exists and Important Message windows, clicked as a user does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "engine/ui/confirmation_window.h"
#include "engine/ui/file_exists_window.h"
#include "engine/ui/important_message_window.h"
#include "support/engine_fixture.h"
#include "support/ui/modal_driver.h"
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

  // Opens the dialog as the driver does, unticks its box and presses a button.
  void PressWithBoxUnticked(const char* button) {
    confirmation.Load(session);
    ConfirmationWindow window(session, confirmation, nullptr);
    window.show();
    QTest::mouseClick(window.ShowAgainBox(), Qt::LeftButton);
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

TEST_F(ConfirmationWindowTest, ShowsTheDestinationAndItsButtons) {
  confirmation.Load(session);
  ConfirmationWindow window(session, confirmation, nullptr);
  window.show();
  EXPECT_EQ(window.windowTitle(), "Confirmation");
  EXPECT_EQ(window.objectName(), "Form3");
  EXPECT_EQ(window.MessageLabel()->text().toStdString(),
            std::string(kConfirmationLead) + "\n\n" + PathOf("to <here>") + "/");
  EXPECT_EQ(window.MessageLabel()->textFormat(), Qt::PlainText);
  EXPECT_EQ(window.findChild<QLabel*>("Label2")->text().toStdString(), kConfirmationPrompt);
  EXPECT_EQ(window.ShowAgainBox()->text(), "Show this message again in the future.");
  EXPECT_TRUE(window.ShowAgainBox()->isChecked());
  EXPECT_EQ(window.GoButton()->text(), "Go");
  EXPECT_TRUE(window.GoButton()->isDefault());
  EXPECT_EQ(window.CancelButton()->text(), "Cancel");
  EXPECT_FALSE(window.NewDestinationButton()->isVisible()) << "only from the drop target";
}

TEST_F(ConfirmationWindowTest, OnlyGoWithTheBoxUntickedTurnsConfirmationsOff) {
  for (const char* button : {"Escape", "Command1"}) {
    SCOPED_TRACE(button);
    const bool go = QString(button) == "Command1";
    session.job.confirmCancelled = go;
    PressWithBoxUnticked(button);
    EXPECT_EQ(session.job.confirmCancelled, !go);
    EXPECT_EQ(GetSetting("General", "Show confirmation"), go ? "0" : "1");
  }
}

TEST_F(ConfirmationWindowTest, ANewDestinationFolderShowsInTheDialog) {
  session.job.dropMode = true;
  confirmation.Load(session);
  ConfirmationWindow window(session, confirmation, nullptr);
  window.show();
  ASSERT_TRUE(window.NewDestinationButton()->isVisible());
  EXPECT_EQ(window.NewDestinationButton()->text(), "Select New Destination Folder");
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
                           nullptr);
  FileExistsWindow unbroken("The file " + std::string(90, 'x') +
                                ".jpg already exists in the destination folder. Overwrite it?",
                            nullptr);
  for (QDialog* window :
       std::initializer_list<QDialog*>{&confirmationWindow, &wrapped, &unbroken}) {
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(ClippedTexts(*window), QStringList{}) << window->windowTitle().toStdString();
  }
}

// Runs the prompt modally; action answers it.
std::string AskWith(const std::function<void(FileExistsWindow*)>& action) {
  WhenModalShows([action](QWidget* modal) {
    auto* window = qobject_cast<FileExistsWindow*>(modal);
    ASSERT_NE(window, nullptr);
    action(window);
  });
  return AskFileExists("Replace \"a.txt\"?", nullptr);
}

TEST(FileExistsWindowTest, EachButtonAnswersItsCaptionEnterNoAndClosingNothing) {
  const std::vector<std::string> captions = {"Yes", "No", "All", "Cancel"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(AskWith([i](FileExistsWindow* w) {
                QTest::mouseClick(w->AnswerButton(i), Qt::LeftButton);
              }),
              captions[i]);
  }
  EXPECT_EQ(AskWith([](FileExistsWindow* w) { QTest::keyClick(w, Qt::Key_Return); }), "No");
  EXPECT_EQ(AskWith([](FileExistsWindow* w) { w->close(); }), "");
  EXPECT_EQ(AskWith([](FileExistsWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }), "");
}

TEST(FileExistsWindowTest, LaysOutTheQuestionAndButtonsLeftToRight) {
  FileExistsWindow window("Overwrite <x>?\nSecond line", nullptr);
  window.show();
  EXPECT_EQ(window.windowTitle(), "File Exists");
  EXPECT_EQ(window.objectName(), "FrmOW");
  EXPECT_EQ(window.QuestionLabel()->text(), "Overwrite <x>?\nSecond line");
  EXPECT_EQ(window.QuestionLabel()->textFormat(), Qt::PlainText);
  for (int i = 0; i < 3; ++i)
    EXPECT_LT(window.AnswerButton(i)->x(), window.AnswerButton(i + 1)->x());
  EXPECT_TRUE(window.AnswerButton(1)->isDefault());
  EXPECT_EQ(window.focusWidget(), window.AnswerButton(1));
}

using ImportantMessageWindowTest = EngineTest;

TEST_F(ImportantMessageWindowTest, OKWithTheBoxUntickedStopsTheNotice) {
  for (const bool untick : {false, true}) {
    SCOPED_TRACE(untick);
    ImportantMessageModel notice;
    ImportantMessageWindow window(session, notice, nullptr);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Important Message");
    EXPECT_EQ(window.objectName(), "Form8");
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text().toStdString(), kArchiveSetNotice);
    EXPECT_EQ(window.ShowAgainBox()->text(), "Show this message again in the future");
    EXPECT_TRUE(window.ShowAgainBox()->isChecked());
    if (untick) {
      QTest::mouseClick(window.ShowAgainBox(), Qt::LeftButton);
      QTest::mouseClick(window.OkButton(), Qt::LeftButton);
    } else {
      QTest::keyClick(&window, Qt::Key_Return);
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(GetSetting("General", "Show non-zip message"), untick ? "no" : "");
    EXPECT_EQ(session.settings.showNonZipMessage, untick ? "no" : "");
  }
}

}  // namespace
}  // namespace tessaly::testing
