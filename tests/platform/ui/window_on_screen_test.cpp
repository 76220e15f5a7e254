// The text viewer and Help open whole on their owner's screen, centred on the owner as
// far as the screen allows, even when the owner sits in a corner.
#include "platform/ui/window_on_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <functional>

#include "inspect/ui/text_viewer_window.h"
#include "platform/ui/help_window.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

TEST(WindowOnScreenTest, TheViewerAndHelpOpenWholeOnTheOwnersScreen) {
  const TempFolder folder;
  const std::string text = (folder.path() / "notes.txt").string();
  WriteFileText(text, "hello");
  QWidget owner;
  const QRect area = owner.screen()->availableGeometry();
  owner.setGeometry(area.right() - 200, area.bottom() - 150, 200, 150);
  owner.show();
  const struct {
    const char* name;
    std::function<QWidget*()> open;
  } rows[] = {
      {"text viewer",
       [&] {
         EXPECT_TRUE(TextViewerWindow::Show(text, &owner));
         return owner.findChild<TextViewerWindow*>();
       }},
      {"help", [&] { return static_cast<QWidget*>(ShowHelpPage(&owner, "index.html")); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* window = row.open();
    ASSERT_NE(window, nullptr);
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
    // As near the owner's centre as the screen allows: against its right and bottom edges.
    EXPECT_EQ(frame.right(), area.right());
    EXPECT_EQ(frame.bottom(), area.bottom());
    window->close();
  }
}

}  // namespace
}  // namespace tessaly::testing
