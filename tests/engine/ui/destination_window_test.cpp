// The destination dialog as the user drives it: a real folder tree on folders made
// per test, Up, New and OK. What New and OK decide is the destination dialog's core
// tests' part.
#include "engine/ui/destination_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "engine/session.h"
#include "platform/ui/folder_tree.h"
#include "support/files.h"
#include "support/scripted_dialogs.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using testing::ScriptedDialogs;
using testing::TempFolder;

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

}  // namespace
}  // namespace tessaly
