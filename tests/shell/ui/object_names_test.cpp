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

  const MainWindow& main = Open();
  ConfirmationModel confirmation;
  ImportantMessageModel notice;
  TransferWindow transfer(TransferKind::Copy, session().dialogs, nullptr);
  TrayIcon tray;
  std::vector<std::unique_ptr<QObject>> owned;
  const auto own = [&](QObject* window) { return owned.emplace_back(window).get(); };
  const struct {
    const QObject* root;
    const char* name;
  } windows[] = {
      {&main, "Form1"},
      {own(new DestinationWindow(session())), "Form2"},
      {own(new ConfirmationWindow(session(), confirmation, nullptr)), "Form3"},
      {own(new StatusWindow(session(), nullptr)), "Form4"},
      {own(new FileExistsWindow("Overwrite?", "", nullptr)), "FrmOW"},
      {own(new ImportantMessageWindow(session(), notice, nullptr)), "Form8"},
      {own(new SetInfoWindow(session(), "", nullptr)), "Form12"},
      {own(new ContentsWindow(session(), nullptr)), "Form10"},
      {own(new TextViewerWindow()), "TextViewer"},
      {&transfer.ProgressWindow(), "TransferProgress"},
      {own(new PropertiesWindow(std::vector<std::string>{Browse()}, nullptr)), "PropertiesWindow"},
      {own(new FindWindow(Browse(), nullptr)), "FindWindow"},
      {own(new FavouritesDialog(session().dialogs, NoFavouritesMenu(), "", nullptr)), "Form7"},
      {own(new WelcomeWindow(nullptr)), "FrmIntro"},
      {own(new AboutWindow(session().dialogs, session().events, nullptr)), "FrmAbt"},
      {own(new HelpWindow(nullptr)), "helpWindow"},
      {own(new DropTargetWindow(session(), tray)), "form9"},
      {own(new OptionsDialog(session().settings, session().dialogs, nullptr)), "Form5"}};
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
