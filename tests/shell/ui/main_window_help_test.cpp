// Help > Contents, F1 and Help > About of the main window.
#include <QAction>
#include <QTest>
#include <QTextBrowser>

#include "platform/ui/help_window.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/main_window_fixture.h"

namespace tessaly::testing {
namespace {

TEST_F(MainWindowTest, F1OpensTheHelpContentsAndAboutOpensOverTheWindow) {
  SkipWelcome();
  MainWindow& window = Open();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.FileList().setFocus();
  QTest::keyClick(&window.FileList(), Qt::Key_F1);
  auto* help = window.findChild<HelpWindow*>("helpWindow");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Browser()->source().fileName(), "index.html");
  help->close();

  script.Then([&](QWidget* about) {
    EXPECT_EQ(about->objectName(), "FrmAbt");
    EXPECT_EQ(about->parentWidget(), &window);
    ClickButton(about, "OK");
  });
  window.Action("abmenu")->trigger();
  EXPECT_TRUE(script.Done());
}

}  // namespace
}  // namespace tessaly::testing
