// The help window over the pages the build copied beside the test program, and the pages
// themselves: every link leads to a page and an anchor that exist.
#include "platform/ui/help_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

namespace tessaly::testing {
namespace {

QString PageOf(const HelpWindow& help) {
  const QUrl source = help.Browser()->source();
  QString page = source.fileName();
  if (source.hasFragment()) page += '#' + source.fragment();
  return page;
}

// A real click on the first place the text shows in the page.
void ClickText(QTextBrowser* browser, const QString& text) {
  const QTextCursor found = browser->document()->find(text);
  ASSERT_FALSE(found.isNull()) << text.toStdString();
  QTextCursor inside(browser->document());
  inside.setPosition(found.selectionStart() + 2);
  const QPoint where = browser->cursorRect(inside).center();
  QTest::mouseMove(browser->viewport(), where);
  QTest::mouseClick(browser->viewport(), Qt::LeftButton, Qt::NoModifier, where);
}

TEST(HelpWindowTest, ContentsLinksBackForwardAndAnchors) {
  QWidget owner;
  owner.show();
  HelpWindow* help = ShowHelpPage(&owner, "options.html#arj");
  EXPECT_EQ(help->objectName(), "helpWindow");
  EXPECT_EQ(help->windowTitle(), "Tessaly Help");
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(PageOf(*help), "options.html#arj");
  EXPECT_GT(help->Browser()->verticalScrollBar()->value(), 0);

  QTest::mouseClick(help->ContentsButton(), Qt::LeftButton);
  EXPECT_EQ(PageOf(*help), "index.html");
  EXPECT_EQ(help->Browser()->documentTitle(), "Tessaly Help: Contents");

  ClickText(help->Browser(), "Extracting archives");
  EXPECT_EQ(PageOf(*help), "extracting.html");
  QTest::mouseClick(help->BackButton(), Qt::LeftButton);
  EXPECT_EQ(PageOf(*help), "index.html");
  QTest::mouseClick(help->ForwardButton(), Qt::LeftButton);
  EXPECT_EQ(PageOf(*help), "extracting.html");
  EXPECT_FALSE(help->ForwardButton()->isEnabled());

  ASSERT_TRUE(QTest::qWaitForWindowActive(help));
  // A button's shortcut presses it a moment later, as a click shows.
  QTest::keyClick(help->Browser(), Qt::Key_Left, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return PageOf(*help) == "index.html"; }));
  QTest::keyClick(help->Browser(), Qt::Key_Right, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return PageOf(*help) == "extracting.html"; }));

  // A page that is not there: the same window says where it looked.
  EXPECT_EQ(ShowHelpPage(&owner, "missing.html"), help);
  EXPECT_TRUE(help->Browser()->toPlainText().contains(HelpPagesFolder()));
}

TEST(HelpPagesTest, EveryLinkLeadsToAPageAndAnchorThatExist) {
  const QDir folder(QStringLiteral(TESSALY_DOC_DIR "/help"));
  const QStringList pages = folder.entryList({"*.html"}, QDir::Files);
  ASSERT_GE(pages.size(), 9);
  auto read = [&](const QString& name) {
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  };
  const QRegularExpression link(QStringLiteral("href=\"([^\"]*)\""));
  for (const QString& page : pages) {
    SCOPED_TRACE(page.toStdString());
    const QString text = read(page);
    if (page != "index.html") {
      EXPECT_TRUE(text.contains("href=\"index.html\""));
    }
    for (const QRegularExpressionMatch& match : link.globalMatch(text)) {
      const QString href = match.captured(1);
      SCOPED_TRACE(href.toStdString());
      const QString target = href.section('#', 0, 0).isEmpty() ? page : href.section('#', 0, 0);
      ASSERT_TRUE(folder.exists(target));
      const QString anchor = href.section('#', 1);
      if (!anchor.isEmpty()) {
        EXPECT_TRUE(read(target).contains("name=\"" + anchor + "\""));
      }
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
