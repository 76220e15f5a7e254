// The file list on its own: what a drag carries and the tip for a name that
// does not fit. Clicks, double clicks and typed keys are driven through the main
// window's tests.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QMimeData>
#include <QTest>
#include <QToolTip>
#include <QUrl>

#include "shell/ui/file_list_view.h"

namespace tessaly {
namespace {

FileListItem Folder(const std::string& name) {
  return {name, "DOS", "", "/data/" + name, 0, 0};
}

FileListItem File(const std::string& name) {
  return {name, "tessaly", "1KB", "", 10, 0};
}

class FileListViewTest : public ::testing::Test {
 protected:
  FileListViewTest() {
    list.resize(400, 200);
    list.SetItems("/data/", {Folder("A"), File("b.zip"), File("c.zip")});
    list.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
  }

  QPoint CenterOf(int row) { return list.visualRect(list.model()->index(row, 0)).center(); }

  FileListView list;
};

TEST_F(FileListViewTest, DragCarriesTheSelectedPathsInListOrderForCopyingOnly) {
  list.SelectRow(2);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, CenterOf(0));
  EXPECT_EQ(list.SelectedRows(), (std::vector<int>{0, 2}));

  QAbstractItemModel& model = *list.model();
  EXPECT_EQ(model.supportedDragActions(), Qt::CopyAction);
  std::unique_ptr<QMimeData> data(
      model.mimeData({model.index(2, 0), model.index(0, 0), model.index(0, 1)}));
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasFormat("text/uri-list"));
  EXPECT_EQ(data->urls(),
            (QList<QUrl>{QUrl::fromLocalFile("/data/A"), QUrl::fromLocalFile("/data/c.zip")}));
}

TEST_F(FileListViewTest, AnItemWiderThanTheListGetsItsNameAsTip) {
  const std::string wide = std::string(120, 'w') + ".zip";
  list.SetItems("/data/", {File("short.zip"), File(wide)});
  QApplication::processEvents();

  // A shown tip goes only after a delay, so the narrow item is asked first.
  auto tipAt = [&](int row) {
    const QPoint at = CenterOf(row);
    QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
  };
  EXPECT_EQ(tipAt(0), "");
  EXPECT_EQ(tipAt(1), wide);
}

}  // namespace
}  // namespace tessaly
