// QtDialogs shows each question of the core as the request says and answers with
// the button pressed.
#include "app/ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <functional>

#include "engine/extraction_prompts.h"
#include "engine/reader_gateway.h"
#include "engine/session.h"
#include "engine/ui/reading_window.h"
#include "engine/ui/status_window.h"
#include "platform/ui/input_box.h"
#include "settings/isolated_settings.h"
#include "support/ui/modal_driver.h"

namespace tessaly::testing {
namespace {

class QtDialogsTest : public IsolatedSettingsTest {
 protected:
  QtDialogsTest() {
    owner.show();
    dialogs.Attach(session);
  }

  QWidget owner;
  QtDialogs dialogs{&owner};
  QtEventPump pump;
  Session session{dialogs, pump};
};

struct MessageRow {
  const char* name;
  MsgButtons buttons;
  MsgIcon icon;
  int defaultButton;
  QMessageBox::Icon wantIcon;
  QMessageBox::StandardButton wantDefault;
  QMessageBox::StandardButton press;  // NoButton: close the box with Escape
  MsgAnswer wantAnswer;
  int wantButtons;
};

TEST_F(QtDialogsTest, MessageBoxesShowTheRequestAndAnswerTheButtonPressed) {
  const MessageRow rows[] = {
      {"ok", MsgButtons::OK, MsgIcon::Critical, 1, QMessageBox::Critical, QMessageBox::Ok,
       QMessageBox::Ok, MsgAnswer::OK, 1},
      {"yes/no, No default", MsgButtons::YesNo, MsgIcon::Exclamation, 2, QMessageBox::Warning,
       QMessageBox::No, QMessageBox::Yes, MsgAnswer::Yes, 2},
      {"yes/no/cancel closed", MsgButtons::YesNoCancel, MsgIcon::Question, 3, QMessageBox::Question,
       QMessageBox::Cancel, QMessageBox::NoButton, MsgAnswer::Cancel, 3},
  };
  for (const MessageRow& row : rows) {
    SCOPED_TRACE(row.name);
    MessageBoxRequest request;
    request.text = "The folder \"<a b>\" does not exist.\nCreate it?";
    request.title = "Oops!";
    request.buttons = row.buttons;
    request.icon = row.icon;
    request.defaultButton = row.defaultButton;
    WhenModalShows([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->parentWidget(), &owner);
      EXPECT_EQ(box->windowTitle(), "Oops!");
      EXPECT_EQ(box->text().toStdString(), request.text);
      EXPECT_EQ(box->textFormat(), Qt::PlainText);
      EXPECT_EQ(box->icon(), row.wantIcon);
      EXPECT_EQ(box->standardButton(box->defaultButton()), row.wantDefault);
      EXPECT_EQ(box->buttons().size(), row.wantButtons);
      if (row.press == QMessageBox::NoButton) {
        QTest::keyClick(box, Qt::Key_Escape);
      } else {
        QTest::mouseClick(box->button(row.press), Qt::LeftButton);
      }
    });
    EXPECT_EQ(dialogs.MessageBox(request), row.wantAnswer);
  }
}

// The password box a backend shows, typed into key by key.
TEST_F(QtDialogsTest, APasswordIsTypedAsDots) {
  WhenModalShows([](QWidget* modal) {
    auto* box = qobject_cast<InputBoxWindow*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Enter Password");
    QTest::keyClicks(box->Text(), "s3cret");
    EXPECT_EQ(box->Text()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(box->Text()->displayText().size(), 6);
    EXPECT_FALSE(box->Text()->displayText().contains("s3cret"));
    QTest::keyClick(box->Text(), Qt::Key_Return);
  });
  EXPECT_EQ(AskPassword(session, "a b.rar"), "s3cret");
}

// While a job runs its questions belong to the Status window: when one closes, the
// keys go there again, so Return presses its Cancel without a click first.
TEST_F(QtDialogsTest, AQuestionDuringAJobGivesTheKeysBackToTheStatusWindow) {
  StatusModel& model = session.status;
  model.Load(session);
  dialogs.ShowStatus(model);
  StatusWindow* status = dialogs.Status();
  ASSERT_NE(status, nullptr);
  status->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(status));

  struct Row {
    const char* name;
    std::function<void()> ask;
  };
  const Row rows[] = {
      {"message box",
       [&] {
         dialogs.MessageBox({"Bad data.", MsgButtons::OK, MsgIcon::Critical, "Oops!", 1});
       }},
      {"password box", [&] { AskPassword(session, "a.rar"); }},
      {"File Exists", [&] { dialogs.FileExists("The file a.txt already exists.", ""); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    session.job.cancelExtract = false;
    WhenModalShows([status](QWidget* question) {
      EXPECT_EQ(question->parentWidget(), status);
      QTest::keyClick(question, Qt::Key_Escape);
    });
    row.ask();
    EXPECT_TRUE(QTest::qWaitForWindowActive(status, 1000));
    QWindow* keys = QGuiApplication::focusWindow();
    ASSERT_NE(keys, nullptr);
    QTest::keyClick(keys, Qt::Key_Escape);
    EXPECT_TRUE(session.job.cancelExtract) << "Escape reached the Status window's Cancel";
    EXPECT_TRUE(status->isVisible());
  }
}

// A reader stuck in a library never looks at its socket: Cancel still ends it within a
// second, and the archive fails without a word (the user cancelled). During a job that
// is the Status window's Cancel; before one (a type probe, a listing) the reading
// window comes after a second with a Cancel of its own.
TEST_F(QtDialogsTest, CancelEndsAReaderStuckInALibrary) {
  session.programs.reader = TESSALY_STUCK_READER_BIN;
  for (const bool job : {true, false}) {
    SCOPED_TRACE(job ? "Status window" : "reading window");
    session.job.cancelExtract = false;
    if (job) {
      session.status.Load(session);
      dialogs.ShowStatus(session.status);
    }
    QTimer::singleShot(job ? 200 : 1300, [this, job] {
      QPushButton* cancel = job ? dialogs.Status()->CancelButton()
                                : (dialogs.Reading() ? dialogs.Reading()->CancelButton() : nullptr);
      ASSERT_NE(cancel, nullptr);
      QTest::mouseClick(cancel, Qt::LeftButton);
    });
    const auto started = std::chrono::steady_clock::now();
    const ReaderResult result =
        ReadArchive(session, ReaderRequest(ReaderTask::ExtractLibarchive, "loop.xar"), {});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(session.job.cancelExtract, job);
    EXPECT_EQ(dialogs.Reading(), nullptr);
    if (job) session.status.Unload(session);
  }
}

}  // namespace
}  // namespace tessaly::testing
