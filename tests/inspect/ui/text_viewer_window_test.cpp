// The text viewer reads UTF-8 or else Latin-1 and refuses what it cannot show.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <filesystem>

#include "inspect/ui/text_viewer_window.h"
#include "support/files.h"

namespace tessaly::testing {
namespace {

TEST(TextViewerWindowTest, ShowsUtf8OrLatin1TextAndRefusesWhatItCannotRead) {
  const TempFolder folder;
  const std::filesystem::path big = folder.path() / "big.log";
  WriteFileText(big, "");
  // Sparse: the size alone is refused, nothing is read.
  std::filesystem::resize_file(big, TextViewerWindow::kLargestFile + 1);
  const struct {
    const char* name;
    std::string bytes;  // empty: no file is written
    bool shown;
    QString text;
  } cases[] = {
      {"utf8.txt", "na\xc3\xafve\n", true, QString::fromUtf8("na\xc3\xafve\n")},
      {"latin1.txt", "na\xefve\n", true, QString::fromLatin1("na\xefve\n")},
      {"missing.txt", "", false, QString()},
      {"big.log", "", false, QString()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path file = folder.path() / c.name;
    if (!c.bytes.empty()) WriteFileText(file, c.bytes);
    TextViewerWindow viewer;
    ASSERT_EQ(viewer.Open(file.string()), c.shown);
    if (!c.shown) continue;
    EXPECT_EQ(viewer.Text()->toPlainText(), c.text);
    EXPECT_EQ(viewer.windowTitle().toStdString(), c.name);
  }
}

}  // namespace
}  // namespace tessaly::testing
