// The About window's two links, opened by the desktop, with the message only when no
// program is there to open them.
#include "settings/ui/about_window.h"

#include <gtest/gtest.h>

#include <QTest>

#include "app/ui/qt_dialogs.h"
#include "settings/isolated_settings.h"
#include "support/fake_opener.h"
#include "support/scripted_dialogs.h"

namespace tessaly::testing {
namespace {

class AboutWindowTest : public IsolatedSettingsTest {
 protected:
  ScriptedDialogs dialogs;
  QtEventPump events;
};

enum class Opener { Present, FindsNothing, Missing };
enum class Press { Click, Enter, Space };

struct LinkRow {
  const char* name;
  bool web;
  Press press;
  Opener opener;
  const char* wantOpened;   // the opener's argument; null: not started or failed
  const char* wantMessage;  // null: no message
};

TEST_F(AboutWindowTest, LinksOpenWithTheDesktopAndSayWhenNothingCanOpenThem) {
  const LinkRow rows[] = {
      {"web page clicked", true, Press::Click, Opener::Present, "https://tessaly.brindlemoor.org/",
       nullptr},
      {"mail with Enter", false, Press::Enter, Opener::Present, "mailto:support@brindlemoor.org",
       nullptr},
      {"web page, opener finds no browser", true, Press::Space, Opener::FindsNothing, nullptr,
       "Could not start your web browser."},
      {"mail, no opener at all", false, Press::Click, Opener::Missing, nullptr,
       "Could not start your email program."},
  };
  for (const LinkRow& row : rows) {
    SCOPED_TRACE(row.name);
    FakeOpener rowOpener;
    if (row.opener == Opener::FindsNothing) rowOpener.FindNothing();
    if (row.opener == Opener::Missing) rowOpener.Remove();
    dialogs.messages.clear();
    if (row.wantMessage != nullptr) dialogs.messageAnswers.push_back(MsgAnswer::OK);

    AboutWindow about(dialogs, events, nullptr);
    about.show();
    QLabel* link = row.web ? static_cast<QLabel*>(about.WebLink()) : about.MailLink();
    if (row.press == Press::Click) {
      QTest::mouseClick(link, Qt::LeftButton);
    } else {
      link->setFocus();
      QTest::keyClick(link, row.press == Press::Enter ? Qt::Key_Return : Qt::Key_Space);
    }

    if (row.wantOpened != nullptr) {
      EXPECT_EQ(rowOpener.WaitForArguments(), std::vector<std::string>{row.wantOpened});
    }
    if (row.wantMessage == nullptr) {
      EXPECT_TRUE(dialogs.messages.empty());
    } else {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].text, row.wantMessage);
      EXPECT_EQ(dialogs.messages[0].title, "Oops!");
      EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
      EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
