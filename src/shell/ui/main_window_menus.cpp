// The main window's menu bar, pop-up menus and toolbar, and the commands they dispatch to.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

#include "platform/ui/desktop_conventions.h"
#include "shell/ui/main_window.h"
#include "winsupport/menu_icons.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

QAction* MainWindow::AddEntry(QMenu* menu, const char* name, const char* caption) {
  const QString text = QString::fromUtf8(caption);
  QAction* action = menu->addAction(MenuIconFor(text), text);
  action->setObjectName(QString::fromUtf8(name));
  actions_[action->objectName()] = action;
  return action;
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto addMenu = [&](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromUtf8(name));
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    return menu;
  };

  QMenu* fileMenu = addMenu("fmenu", "&File");
  // Minimize to System Tray says so where the desktop has no tray.
  fileMenu->setToolTipsVisible(true);
  connect(AddEntry(fileMenu, "mnuEx", "&Extract"), &QAction::triggered, this,
          &MainWindow::ExtractSelected);
  connect(AddEntry(fileMenu, "mnuTest", "&Test Archive(s)"), &QAction::triggered, this,
          &MainWindow::TestSelected);
  connect(AddEntry(fileMenu, "mnuExHere", "Extract &Here"), &QAction::triggered, this,
          &MainWindow::ExtractSelectedHere);
  connect(AddEntry(fileMenu, "mnuZC", "&Archive Contents"), &QAction::triggered, this,
          &MainWindow::ShowArchiveContents);
  connect(AddEntry(fileMenu, "mnuSi", "&Set Info"), &QAction::triggered, this,
          &MainWindow::ShowSetInfo);
  fileMenu->addSeparator();
  connect(AddEntry(fileMenu, "mnulaunch", "&Launch"), &QAction::triggered, this,
          &MainWindow::LaunchSelected);
  connect(AddEntry(fileMenu, "mnuCopy", "&Copy File(s) to..."), &QAction::triggered, this,
          [this] { CopyOrMoveSelected(false); });
  connect(AddEntry(fileMenu, "mnuMov", "&Move File(s) to..."), &QAction::triggered, this,
          [this] { CopyOrMoveSelected(true); });
  connect(AddEntry(fileMenu, "mnuren", "&Rename File"), &QAction::triggered, this,
          &MainWindow::RenameSelectedFile);
  connect(AddEntry(fileMenu, "mnuDel", "&Delete File(s)"), &QAction::triggered, this,
          &MainWindow::DeleteSelectedFiles);
  connect(AddEntry(fileMenu, "mnuProp", "&File Properties"), &QAction::triggered, this,
          &MainWindow::ShowFileProperties);
  fileMenu->addSeparator();
  connect(AddEntry(fileMenu, "mnuShr", "Shrink to Drop &Target"), &QAction::triggered, this,
          &MainWindow::ShrinkToDropTarget);
  connect(AddEntry(fileMenu, "mnuST", "Minimize to S&ystem Tray"), &QAction::triggered, this,
          &MainWindow::MinimizeToTray);
  connect(AddEntry(fileMenu, "fmexit", "E&xit"), &QAction::triggered, this,
          &MainWindow::ExitProgram);

  QMenu* folderMenu = addMenu("mnuFold", "F&older");
  connect(AddEntry(folderMenu, "mnuFind", "F&ind Files"), &QAction::triggered, this,
          &MainWindow::FindFilesInFolder);
  folderMenu->addSeparator();
  connect(AddEntry(folderMenu, "mnuExp", "Explore Selected &Folder"), &QAction::triggered, this,
          &MainWindow::ExploreSelectedFolder);
  connect(AddEntry(folderMenu, "mnuDest", "Se&t Selected Folder as Destination"),
          &QAction::triggered, this, &MainWindow::SetFolderAsDestination);
  connect(AddEntry(folderMenu, "mnuNF", "Create Ne&w Folder"), &QAction::triggered, this,
          &MainWindow::CreateNewFolder);
  connect(AddEntry(folderMenu, "mnuDelFol", "De&lete Folder"), &QAction::triggered, this,
          &MainWindow::DeleteSelectedFolder);
  connect(AddEntry(folderMenu, "mnurenfol", "Re&name Folder"), &QAction::triggered, this,
          &MainWindow::RenameSelectedFolder);
  connect(AddEntry(folderMenu, "mnufprop", "F&older Properties"), &QAction::triggered, this,
          &MainWindow::ShowFolderProperties);

  QMenu* editMenu = addMenu("mnuEdit", "&Edit");
  connect(AddEntry(editMenu, "selall", "&Select All"), &QAction::triggered, this,
          &MainWindow::SelectAll);
  connect(AddEntry(editMenu, "selnone", "Select &None"), &QAction::triggered, this,
          &MainWindow::SelectNone);
  connect(AddEntry(editMenu, "mnuRef", "Refres&h"), &QAction::triggered, this,
          &MainWindow::Refresh);
  editMenu->addSeparator();
  connect(AddEntry(editMenu, "mnuOp", "&Options"), &QAction::triggered, this,
          [this] { ShowOptions(this); });

  QMenu* navigateMenu = addMenu("mnuJump", "&Navigate");
  connect(AddEntry(navigateMenu, "mnuUpLvl", "&Up One Folder Level"), &QAction::triggered, this,
          &MainWindow::UpOneLevel);
  connect(AddEntry(navigateMenu, "mnuLast", "&Last Used Destination Folder"), &QAction::triggered,
          this, &MainWindow::OpenLastDestination);
  navigateMenu->addSeparator();
  QMenu* favoritesMenu = navigateMenu->addMenu(MenuIconFor(QStringLiteral("&Favorites")),
                                               QStringLiteral("&Favorites"));
  favoritesMenu->setObjectName(QStringLiteral("mnuFav"));
  favoritesMenu->menuAction()->setObjectName(QStringLiteral("mnuFav"));
  for (int i = 0; i < kFavouriteSlots; ++i) {
    const std::string name = "favs" + std::to_string(i);
    connect(AddEntry(favoritesMenu, name.c_str(), ""), &QAction::triggered, this,
            [this, i] { OpenFavourite(i); });
  }
  ShowFavourites();
  connect(AddEntry(navigateMenu, "mnuEdfavs", "&Edit Favorites List"), &QAction::triggered, this,
          &MainWindow::EditFavourites);

  QMenu* helpMenu = addMenu("hlpmenu", "&Help");
  QAction* helpContents = AddEntry(helpMenu, "hlpcontmenu", "&Contents");
  helpContents->setShortcut(QKeySequence::HelpContents);
  connect(helpContents, &QAction::triggered, this, &MainWindow::ShowHelpContents);
  helpMenu->addSeparator();
  connect(AddEntry(helpMenu, "abmenu", "&About Tessaly"), &QAction::triggered, this,
          [this] { ShowAbout(this); });
}

void MainWindow::BuildPopups() {
  filePopup_ = new QMenu(this);
  filePopup_->setObjectName(QStringLiteral("fpop"));
  QAction* extractPopup = AddEntry(filePopup_, "fpopEx", "Extract");
  connect(extractPopup, &QAction::triggered, this, &MainWindow::ExtractSelected);
  SetDefaultEntry(filePopup_, extractPopup);
  connect(AddEntry(filePopup_, "fpopTest", "Test Archive(s)"), &QAction::triggered, this,
          &MainWindow::TestSelected);
  connect(AddEntry(filePopup_, "fpopZC", "Archive Contents"), &QAction::triggered, this,
          &MainWindow::ShowArchiveContents);
  connect(AddEntry(filePopup_, "fpopSI", "Set Info"), &QAction::triggered, this,
          &MainWindow::ShowSetInfo);
  filePopup_->addSeparator();
  connect(AddEntry(filePopup_, "fpopLa", "Launch"), &QAction::triggered, this,
          &MainWindow::LaunchSelected);
  connect(AddEntry(filePopup_, "fpopCpy", "Copy to..."), &QAction::triggered, this,
          [this] { CopyOrMoveSelected(false); });
  connect(AddEntry(filePopup_, "fpopMov", "Move to..."), &QAction::triggered, this,
          [this] { CopyOrMoveSelected(true); });
  connect(AddEntry(filePopup_, "fpopRen", "Rename"), &QAction::triggered, this,
          &MainWindow::RenameSelectedFile);
  connect(AddEntry(filePopup_, "fpopDe", "Delete"), &QAction::triggered, this,
          &MainWindow::DeleteSelectedFiles);
  connect(AddEntry(filePopup_, "fpopPr", "Properties"), &QAction::triggered, this,
          &MainWindow::ShowFileProperties);
  filePopup_->addSeparator();
  connect(AddEntry(filePopup_, "fpopRe", "Refresh"), &QAction::triggered, this,
          &MainWindow::Refresh);

  folderPopup_ = new QMenu(this);
  folderPopup_->setObjectName(QStringLiteral("folderPop"));
  QAction* exploreEntry = AddEntry(folderPopup_, "folderEx", "Explore");
  connect(exploreEntry, &QAction::triggered, this, &MainWindow::ExploreSelectedFolder);
  SetDefaultEntry(folderPopup_, exploreEntry);
  connect(AddEntry(folderPopup_, "folderDest", "Set as Destination"), &QAction::triggered, this,
          &MainWindow::SetFolderAsDestination);
  connect(AddEntry(folderPopup_, "folderAddFav", "Add to Favorites"), &QAction::triggered, this,
          &MainWindow::AddFolderToFavourites);
  connect(AddEntry(folderPopup_, "folderNew", "Create New Folder"), &QAction::triggered, this,
          &MainWindow::CreateNewFolder);
  connect(AddEntry(folderPopup_, "folDel", "Delete Folder"), &QAction::triggered, this,
          &MainWindow::DeleteSelectedFolder);
  connect(AddEntry(folderPopup_, "folren", "Rename Folder"), &QAction::triggered, this,
          &MainWindow::RenameSelectedFolder);
  connect(AddEntry(folderPopup_, "folderprop", "Folder Properties"), &QAction::triggered, this,
          &MainWindow::ShowFolderProperties);
  connect(AddEntry(folderPopup_, "folderFind", "Find Files"), &QAction::triggered, this,
          &MainWindow::FindFilesInFolder);
}

void MainWindow::BuildToolbar() {
  toolbar_ = addToolBar(QStringLiteral("Toolbar1"));
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setIconSize(QSize(16, 16));
  for (const ToolbarButton& button : ToolbarButtons()) {
    if (button.IsSeparator()) {
      toolbar_->addSeparator();
      continue;
    }
    const QString key = QString::fromStdString(button.key);
    QAction* action = toolbar_->addAction(CommandIcon(button.image), key);
    action->setObjectName(key);
    action->setToolTip(QString::fromStdString(button.tooltip));
    actions_[key] = action;
    connect(action, &QAction::triggered, this, [this, key] { ToolbarButtonClicked(key); });
  }
}

void MainWindow::ToolbarButtonClicked(const QString& key) {
  // A button runs what its menu entry is connected to, whatever that entry's enabled
  // state.
  if (QAction* entry = Action(QString::fromStdString(ToolbarCommandFor(key.toStdString())))) {
    emit entry->triggered();
  }
}

void MainWindow::ApplySelectionCommands() {
  const SelectionCommands& c = browser_.commands;
  const std::pair<const char*, bool> states[] = {
      {"mnuEx", c.extractMenu},      {"fpopEx", c.extractPopup},   {"mnuTest", c.extractMenu},
      {"fpopTest", c.extractPopup},  {"mnuExHere", c.extractMenu}, {"mnuZC", c.contentsMenu},
      {"fpopZC", c.contentsPopup},   {"mnuSi", c.setInfoMenu},     {"fpopSI", c.setInfoPopup},
      {"mnulaunch", c.launchMenu},   {"fpopLa", c.launchPopup},    {"mnuProp", c.propertiesMenu},
      {"fpopPr", c.propertiesPopup}, {"mnuren", c.renameMenu},     {"fpopRen", c.renamePopup},
      {"mnuCopy", c.copyMenu},       {"fpopCpy", c.copyPopup},     {"mnuMov", c.moveMenu},
      {"fpopMov", c.movePopup},      {"mnuDel", c.deleteMenu},     {"fpopDe", c.deletePopup},
  };
  for (const auto& [name, enabled] : states)
    actions_.at(QString::fromUtf8(name))->setEnabled(enabled);
  // The big button runs File > Extract only, so it looks as that entry is; a
  // disabled button still takes dropped files.
  extractButton_->setEnabled(c.extractMenu);
}

QAction* MainWindow::Action(const QString& name) const {
  const auto found = actions_.find(name);
  return found == actions_.end() ? nullptr : found->second;
}

QMenu* MainWindow::PopupMenu(const QString& name) const {
  if (name == QLatin1String("fpop")) return filePopup_;
  if (name == QLatin1String("folderPop")) return folderPopup_;
  if (name == QLatin1String("mnuSystemtray")) return trayMenu_;
  return nullptr;
}

}  // namespace tessaly
