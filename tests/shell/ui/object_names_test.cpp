// Every window and control the program creates is listed, by its object name, in
// doc/object-names.md, the table UI tests and automation tools work from.
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <memory>

#include "engine/extraction_dialogs.h"
#include "engine/ui/confirmation_window.h"
#include "engine/ui/destination_window.h"
#include "engine/ui/file_exists_window.h"
#include "engine/ui/important_message_window.h"
#include "engine/ui/status_window.h"
#include "inspect/ui/contents_window.h"
#include "inspect/ui/set_info_window.h"
#include "inspect/ui/text_viewer_window.h"
#include "platform/ui/help_window.h"
#include "settings/ui/about_window.h"
#include "settings/ui/options_dialog.h"
#include "settings/ui/welcome_window.h"
#include "shell/ui/drop_target_window.h"
#include "shell/ui/favourites_dialog.h"
#include "shell/ui/find_window.h"
#include "shell/ui/main_window.h"
#include "shell/ui/main_window_fixture.h"
#include "shell/ui/properties_window.h"
#include "shell/ui/transfer_window.h"
#include "shell/ui/tray_icon.h"

namespace tessaly::testing {
namespace {

// The names of root and every object under it; Qt's own parts ("qt_...", "_layout") are
// left out.
QStringList NamesUnder(const QObject& root) {
  QStringList names{root.objectName()};
  for (const QObject* child : root.findChildren<QObject*>()) names << child->objectName();
  names.removeAll(QString());
  names.removeIf([](const QString& name) {
    return name.startsWith(QLatin1String("qt_")) || name.startsWith('_');
  });
  return names;
}

TEST_F(MainWindowTest, EveryWindowAndControlIsNamedAndListedInTheDocument) {
  QFile file(QStringLiteral(TESSALY_DOC_DIR "/object-names.md"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString document = QString::fromUtf8(file.readAll());

  SkipWelcome();
  const MainWindow& main = Open();
  ConfirmationModel confirmation;
  ImportantMessageModel notice;
  std::vector<std::unique_ptr<QObject>> dialogs;
  dialogs.emplace_back(std::make_unique<DestinationWindow>(session()));
  dialogs.emplace_back(std::make_unique<ConfirmationWindow>(session(), confirmation, nullptr));
  dialogs.emplace_back(std::make_unique<StatusWindow>(session(), nullptr));
  dialogs.emplace_back(std::make_unique<FileExistsWindow>("Overwrite?", nullptr));
  dialogs.emplace_back(std::make_unique<ImportantMessageWindow>(session(), notice, nullptr));
  dialogs.emplace_back(std::make_unique<SetInfoWindow>(session(), "", nullptr));
  dialogs.emplace_back(std::make_unique<ContentsWindow>(session(), nullptr));
  dialogs.emplace_back(std::make_unique<TextViewerWindow>());
  TransferWindow transfer(TransferKind::Copy, session().dialogs, nullptr);
  dialogs.emplace_back(
      std::make_unique<PropertiesWindow>(std::vector<std::string>{Browse()}, nullptr));
  dialogs.emplace_back(std::make_unique<FindWindow>(Browse(), nullptr));
  dialogs.emplace_back(
      std::make_unique<FavouritesDialog>(session().dialogs, NoFavouritesMenu(), "", nullptr));
  dialogs.emplace_back(std::make_unique<WelcomeWindow>(nullptr));
  dialogs.emplace_back(std::make_unique<AboutWindow>(session().dialogs, session().events, nullptr));
  dialogs.emplace_back(std::make_unique<HelpWindow>(nullptr));
  TrayIcon tray;
  dialogs.emplace_back(std::make_unique<DropTargetWindow>(session(), tray));
  dialogs.emplace_back(
      std::make_unique<OptionsDialog>(session().settings, session().dialogs, nullptr));

  const struct {
    const QObject* root;
    const char* name;
  } windows[] = {{&main, "Form1"},
                 {dialogs[0].get(), "Form2"},
                 {dialogs[1].get(), "Form3"},
                 {dialogs[2].get(), "Form4"},
                 {dialogs[3].get(), "FrmOW"},
                 {dialogs[4].get(), "Form8"},
                 {dialogs[5].get(), "Form12"},
                 {dialogs[6].get(), "Form10"},
                 {dialogs[7].get(), "TextViewer"},
                 {&transfer.ProgressWindow(), "TransferProgress"},
                 {dialogs[8].get(), "PropertiesWindow"},
                 {dialogs[9].get(), "FindWindow"},
                 {dialogs[10].get(), "Form7"},
                 {dialogs[11].get(), "FrmIntro"},
                 {dialogs[12].get(), "FrmAbt"},
                 {dialogs[13].get(), "helpWindow"},
                 {dialogs[14].get(), "form9"},
                 {dialogs[15].get(), "Form5"}};
  for (const auto& window : windows) {
    SCOPED_TRACE(window.name);
    EXPECT_EQ(window.root->objectName(), window.name);
    for (const QString& name : NamesUnder(*window.root)) {
      EXPECT_TRUE(document.contains('`' + name + '`')) << name.toStdString();
    }
  }
}

}  // namespace
}  // namespace tessaly::testing
