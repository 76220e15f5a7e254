// The Status window drives its model as the user does: buttons, Escape, the close box.
// Background is driven through the main window's job tests.
#include "engine/ui/status_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "support/engine_fixture.h"
#include "support/job_texts.h"
#include "support/ui/text_checks.h"

namespace tessaly::testing {
namespace {

class StatusWindowTest : public EngineTest {
 protected:
  StatusWindowTest() {
    status.Load(session);
    status.view = window.get();
    window->Refresh();
  }

  // The driver's end of a job that went well.
  void Finish() {
    status.archiveLabel = "done";
    status.cancelButtonCaption = "OK";
    status.backgroundButtonCaption = "Explore";
    status.Refresh();
  }

  StatusModel& status = session.status;
  std::unique_ptr<StatusWindow> window = std::make_unique<StatusWindow>(session, nullptr);
};

// The window opens on one short line; the lines the job writes later are longer and
// the final text takes three lines.
TEST_F(StatusWindowTest, EveryTextShowsWholeAsTheJobGoesOn) {
  struct Row {
    const char* name;
    std::string archiveLabel;
    std::string messageLabel;
  };
  const Row rows[] = {
      {"a long archive path",
       "Processing archive: /home/user/Downloads/a folder with a long name/and another one "
       "inside it/photos from the summer of 2019.zip",
       "inflating: 2019/summer/beach-0042.jpg"},
      {"a long entry name", "Processing archive: /home/user/a.zip",
       "inflating: 2019/summer/holidays/by the sea/the second week/a picture with a long name "
       "taken at the beach-0042.jpg"},
      {"the final text", kFinished, ""},
  };
  const int width = window->width();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    status.SetArchiveLabel(row.archiveLabel);
    status.SetMessageLabel(row.messageLabel);
    QApplication::processEvents();
    EXPECT_EQ(ClippedTexts(*window), QStringList{});
    EXPECT_EQ(window->width(), width) << "the window grows downwards only";
  }
}

TEST_F(StatusWindowTest, EscapeCancelsWhileTheJobRunsAndDoesNothingAfterIt) {
  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_FALSE(session.job.cancelExtract) << "Enter leaves a running job alone";
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_TRUE(session.job.cancelExtract);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(status.EscapeCancels());

  session.job.cancelExtract = false;
  Finish();
  EXPECT_FALSE(status.EscapeCancels());
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(session.job.cancelExtract);
  EXPECT_TRUE(status.loaded);
  EXPECT_TRUE(window->isVisible());

  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_FALSE(status.loaded) << "Enter presses OK";
  EXPECT_FALSE(window->isVisible());
}

TEST_F(StatusWindowTest, TheCloseBoxCancelsWhileTheJobRunsAndIsOKAfterIt) {
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(session.job.cancelExtract);
  EXPECT_TRUE(window->isVisible());

  Finish();
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(status.loaded);
  EXPECT_TRUE(mainWindow.enabled);
}

TEST_F(StatusWindowTest, StaysUsableWhenItsOwnerIsDisabledForTheJob) {
  QWidget owner;
  owner.show();
  auto* owned = new StatusWindow(session, &owner);  // deleted with its owner
  status.view = owned;
  owned->Refresh();
  owner.setEnabled(false);
  EXPECT_TRUE(owned->isEnabled());
  QTest::mouseClick(owned->CancelButton(), Qt::LeftButton);
  EXPECT_TRUE(session.job.cancelExtract);
}

}  // namespace
}  // namespace tessaly::testing
