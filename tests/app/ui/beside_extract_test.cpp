// "tessaly --extract-here" on the desktop: the real Status window is the only window
// that shows, and each archive's files land beside it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ui/qt_dialogs.h"
#include "engine/beside_archives.h"
#include "engine/session.h"
#include "engine/ui/status_window.h"
#include "inspect/archive_listings.h"
#include "settings/isolated_settings.h"
#include "settings/settings_store.h"
#include "support/zip_fixtures.h"

namespace tessaly::testing {
namespace {

// Records every window that shows; any dialog but the Status window is closed again
// so that an unexpected question fails the test instead of waiting for an answer.
class ShownWindows : public QObject {
 public:
  struct Shown {
    std::string objectName;
    std::string archiveLabel;
    bool backgroundEnabled = false;
  };
  std::vector<Shown> shown;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::Show || widget == nullptr || !widget->isWindow()) return false;
    Shown record{widget->objectName().toStdString(), "", false};
    if (auto* status = qobject_cast<StatusWindow*>(widget)) {
      record.archiveLabel = status->ArchiveLabel()->text().toStdString();
      record.backgroundEnabled = status->BackgroundButton()->isEnabled();
    } else if (auto* dialog = qobject_cast<QDialog*>(widget)) {
      QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
    }
    shown.push_back(record);
    return false;
  }
};

class BesideExtractTest : public IsolatedSettingsTest {
 protected:
  BesideExtractTest() {
    ApplicationSettings().SaveSetting("General", "Show confirmation", "1");
    dialogs.Attach(session);
    session.programs.reader = TESSALY_READER_BIN;
    qApp->installEventFilter(&windows);
  }
  ~BesideExtractTest() override {
    qApp->removeEventFilter(&windows);
    delete dialogs.Status();
  }

  ShownWindows windows;
  QtDialogs dialogs;
  QtEventPump pump;
  Session session{dialogs, pump};
};

TEST_F(BesideExtractTest, ExtractHereShowsOnlyTheStatusWindowAndFillsEachArchivesFolder) {
  const std::string first = Root() + "/one";
  const std::string second = Root() + "/two words";
  std::filesystem::create_directories(first);
  std::filesystem::create_directories(second);
  WriteZip(first + "/a.zip", {{"a.txt", "alpha"}, {"sub/", ""}, {"sub/b.txt", "bravo"}});
  WriteZip(second + "/c.zip", {{"c.txt", "charlie"}});

  const auto lister = [this](const std::string& path) { return ArchiveEntryNames(session, path); };
  EXPECT_EQ(ExtractBesideArchives(session, BesideMode::Here, {first + "/a.zip", second + "/c.zip"},
                                  lister),
            kBesideExitFinished);

  // Two top-level items get a folder; one goes beside its archive.
  EXPECT_EQ(ReadFileText(first + "/a/a.txt"), "alpha");
  EXPECT_EQ(ReadFileText(first + "/a/sub/b.txt"), "bravo");
  EXPECT_EQ(ReadFileText(second + "/c.txt"), "charlie");
  EXPECT_FALSE(std::filesystem::exists(first + "/c.txt"));
  ASSERT_FALSE(windows.shown.empty());
  for (const ShownWindows::Shown& shown : windows.shown) {
    EXPECT_EQ(shown.objectName, "Form4") << "only the Status window shows";
    EXPECT_EQ(shown.archiveLabel, "Preparing to extract files...");
    EXPECT_FALSE(shown.backgroundEnabled) << "nothing would bring a hidden window back";
  }
  ASSERT_NE(dialogs.Status(), nullptr);
  EXPECT_FALSE(dialogs.Status()->isVisible()) << "the Status window closes with the job";
  EXPECT_EQ(dialogs.Status()->ArchiveLabel()->text().toStdString().rfind(
                "Tessaly has finished extracting the files.", 0),
            0u);
}

}  // namespace
}  // namespace tessaly::testing
