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
    session.Form1.Combo1.text = PathOf("to <here>") + "/";
    session.job.ConfirmCancelled = true;
  }

  // Opens the dialog as the driver does, unticks its box and presses a button.
  void PressWithBoxUnticked(const char* button) {
    form.Load(session);
    ConfirmationWindow window(session, form, nullptr);
    window.show();
    QTest::mouseClick(window.Check1(), Qt::LeftButton);
    EXPECT_FALSE(window.Check1()->isChecked());
    if (QString(button) == "Escape") {
      QTest::keyClick(&window, Qt::Key_Escape);
    } else {
      QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
    }
    EXPECT_FALSE(window.isVisible());
  }

  Form3 form;
};

TEST_F(ConfirmationWindowTest, ShowsTheDestinationAndItsButtons) {
  form.Load(session);
  ConfirmationWindow window(session, form, nullptr);
  window.show();
  EXPECT_EQ(window.windowTitle(), "Confirmation");
  EXPECT_EQ(window.Label1()->text().toStdString(),
            std::string(kForm3Label1Lead) + "\n\n" + PathOf("to <here>") + "/");
  EXPECT_EQ(window.Label1()->textFormat(), Qt::PlainText);
  EXPECT_EQ(window.findChild<QLabel*>("Label2")->text().toStdString(), kForm3Label2);
  EXPECT_EQ(window.Check1()->text(), "Show this message again in the future.");
  EXPECT_TRUE(window.Check1()->isChecked());
  EXPECT_EQ(window.Command1()->text(), "Go");
  EXPECT_TRUE(window.Command1()->isDefault());
  EXPECT_EQ(window.Command2()->text(), "Cancel");
  EXPECT_FALSE(window.Command3()->isVisible()) << "only from the drop target";
}

TEST_F(ConfirmationWindowTest, OnlyGoWithTheBoxUntickedTurnsConfirmationsOff) {
  for (const char* button : {"Escape", "Command1"}) {
    SCOPED_TRACE(button);
    const bool go = QString(button) == "Command1";
    session.job.ConfirmCancelled = go;
    PressWithBoxUnticked(button);
    EXPECT_EQ(session.job.ConfirmCancelled, !go);
    EXPECT_EQ(GetSetting("General", "Show confirmation"), go ? "0" : "1");
  }
}

TEST_F(ConfirmationWindowTest, ANewDestinationFolderShowsInTheDialog) {
  session.job.DropMode = true;
  form.Load(session);
  ConfirmationWindow window(session, form, nullptr);
  window.show();
  ASSERT_TRUE(window.Command3()->isVisible());
  EXPECT_EQ(window.Command3()->text(), "Select New Destination Folder");
  DestinationAnswer answer;
  answer.ChosenDestination = PathOf("elsewhere") + "/";
  dialogs.destinationAnswers = {answer};
  QTest::mouseClick(window.Command3(), Qt::LeftButton);
  EXPECT_EQ(window.Label1()->text().toStdString(),
            std::string(kForm3Label1Lead) + "\n\n" + PathOf("elsewhere") + "/");
  EXPECT_TRUE(window.isVisible()) << "the dialog waits for Go or Cancel";
}

TEST_F(ConfirmationWindowTest, LongFoldersAndNamesShowWhole) {
  const std::string deep =
      "/home/user/Downloads/a folder with a long name/and another one inside it/and a third/";
  session.Form1.Combo1.text = deep;
  form.Load(session);
  ConfirmationWindow confirmation(session, form, nullptr);
  FileExistsWindow wrapped("The file " + deep +
                               "a picture from the summer.jpg already exists in the destination "
                               "folder. Overwrite it?",
                           nullptr);
  FileExistsWindow unbroken("The file " + std::string(90, 'x') +
                                ".jpg already exists in the destination folder. Overwrite it?",
                            nullptr);
  for (QDialog* window : std::initializer_list<QDialog*>{&confirmation, &wrapped, &unbroken}) {
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
    EXPECT_EQ(AskWith([i](FileExistsWindow* w) { QTest::mouseClick(w->Cmd(i), Qt::LeftButton); }),
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
  EXPECT_EQ(window.Label1()->text(), "Overwrite <x>?\nSecond line");
  EXPECT_EQ(window.Label1()->textFormat(), Qt::PlainText);
  for (int i = 0; i < 3; ++i) EXPECT_LT(window.Cmd(i)->x(), window.Cmd(i + 1)->x());
  EXPECT_TRUE(window.Cmd(1)->isDefault());
  EXPECT_EQ(window.focusWidget(), window.Cmd(1));
}

using ImportantMessageWindowTest = EngineTest;

TEST_F(ImportantMessageWindowTest, OKWithTheBoxUntickedStopsTheNotice) {
  for (const bool untick : {false, true}) {
    SCOPED_TRACE(untick);
    Form8 form;
    ImportantMessageWindow window(session, form, nullptr);
    window.show();
    EXPECT_EQ(window.windowTitle(), "Important Message");
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text().toStdString(), kForm8Label1);
    EXPECT_EQ(window.Check1()->text(), "Show this message again in the future");
    EXPECT_TRUE(window.Check1()->isChecked());
    if (untick) {
      QTest::mouseClick(window.Check1(), Qt::LeftButton);
      QTest::mouseClick(window.Command1(), Qt::LeftButton);
    } else {
      QTest::keyClick(&window, Qt::Key_Return);
    }
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(GetSetting("General", "Show non-zip message"), untick ? "no" : "");
    EXPECT_EQ(session.settings.ShowNonZipMessage, untick ? "no" : "");
  }
}

}  // namespace
}  // namespace tessaly::testing
