// Set Info from the main window's File menu: the real window over a RAR set the test
// writes, and the refusal for a file no backend takes.
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "engine/selection.h"
#include "inspect/ui/set_info_window.h"
#include "shell/ui/main_window_fixture.h"
#include "support/files.h"
#include "support/rar_writer.h"
#include "support/ui/text_checks.h"

namespace tessaly::testing {
namespace {

using SetInfoWindowTest = MainWindowTest;

TEST_F(SetInfoWindowTest, SetInfoListsTheVolumesOfTheSelectedSetAndOkCloses) {
  SkipWelcome();
  Store("General", "Show File Type", "5");
  const std::vector<std::string> volumes = WriteRarVolumes(
      Browse() + "set", RarVolumeNaming::OldStyle, 64, {{"data.bin", std::string(150, 'd')}});
  ASSERT_EQ(volumes.size(), 3u);
  WriteFileText(Browse() + "notes.txt", "not an archive");
  MainWindow& window = Open();

  ClickRow("set.rar");
  script.Then([&](QWidget* modal) {
    auto* setInfo = qobject_cast<SetInfoWindow*>(modal);
    ASSERT_NE(setInfo, nullptr);
    EXPECT_EQ(setInfo->objectName(), "Form12");
    EXPECT_EQ(setInfo->windowTitle().toStdString(), "Set Information for " + Browse() + "set.rar");
    QStringList names;
    uint64_t total = 0;
    const QTreeWidget& list = *setInfo->VolumeList();
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
      const QTreeWidgetItem& row = *list.topLevelItem(i);
      names << row.text(0);
      const QString file = QString::fromStdString(Browse()) + row.text(0);
      EXPECT_EQ(row.text(1),
                QLocale().toString(QFileInfo(file).lastModified(), QLocale::ShortFormat));
      const auto bytes = static_cast<qulonglong>(QFileInfo(file).size());
      EXPECT_EQ(row.text(2).toULongLong(), bytes);
      total += bytes;
    }
    EXPECT_EQ(names, (QStringList{"set.rar", "set.r00", "set.r01"}));
    EXPECT_EQ(
        setInfo->SummaryLabel()->text().toStdString(),
        "This set appears to contain 3 file(s) totalling " + std::to_string(total) + " bytes.");
    EXPECT_TRUE(setInfo->OkButton()->isDefault());
    EXPECT_EQ(ClippedTexts(*setInfo), QStringList());
    QTest::mouseClick(setInfo->OkButton(), Qt::LeftButton);
  });
  window.Action("mnuSi")->trigger();
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(session().job.currentExt, "");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  ClickRow("notes.txt");
  script.Then([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Oops!");
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text().toStdString(), NotSupportedText(Browse() + "notes.txt"));
    ClickButton(box, "OK");
  });
  window.Action("setinfo")->trigger();
  EXPECT_TRUE(script.Done());
}

}  // namespace
}  // namespace tessaly::testing
