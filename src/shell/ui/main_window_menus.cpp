// The main window's menu bar, pop-up menus and toolbar, and the commands they dispatch to.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

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

  QMenu* fmenu = addMenu("fmenu", "&File");
  connect(AddEntry(fmenu, "mnuEx", "&Extract"), &QAction::triggered, this,
          &MainWindow::mnuEx_Click);
  AddEntry(fmenu, "mnuZC", "&Archive Contents");
  AddEntry(fmenu, "mnuSi", "&Set Info");
  fmenu->addSeparator();
  AddEntry(fmenu, "mnulaunch", "&Launch");
  AddEntry(fmenu, "mnuCopy", "&Copy File(s) to...");
  AddEntry(fmenu, "mnuMov", "&Move File(s) to...");
  AddEntry(fmenu, "mnuren", "&Rename File");
  AddEntry(fmenu, "mnuDel", "&Delete File(s)");
  AddEntry(fmenu, "mnuProp", "&File Properties");
  fmenu->addSeparator();
  AddEntry(fmenu, "mnuShr", "Shrink to Drop &Target");
  AddEntry(fmenu, "mnuST", "Minimize to S&ystem Tray");
  connect(AddEntry(fmenu, "fmexit", "E&xit"), &QAction::triggered, this, &MainWindow::fmexit_Click);

  QMenu* mnuFold = addMenu("mnuFold", "F&older");
  AddEntry(mnuFold, "mnuFind", "F&ind Files");
  mnuFold->addSeparator();
  AddEntry(mnuFold, "mnuExp", "Explore Selected &Folder");
  AddEntry(mnuFold, "mnuDest", "Se&t Selected Folder as Destination");
  AddEntry(mnuFold, "mnuNF", "Create Ne&w Folder");
  AddEntry(mnuFold, "mnuDelFol", "De&lete Folder");
  AddEntry(mnuFold, "mnurenfol", "Re&name Folder");
  AddEntry(mnuFold, "mnufprop", "F&older Properties");

  QMenu* mnuEdit = addMenu("mnuEdit", "&Edit");
  connect(AddEntry(mnuEdit, "selall", "&Select All"), &QAction::triggered, this,
          &MainWindow::selall_Click);
  connect(AddEntry(mnuEdit, "selnone", "Select &None"), &QAction::triggered, this,
          &MainWindow::selnone_Click);
  connect(AddEntry(mnuEdit, "mnuRef", "Refres&h"), &QAction::triggered, this,
          &MainWindow::mnuRef_Click);
  mnuEdit->addSeparator();
  AddEntry(mnuEdit, "mnuOp", "&Options");

  QMenu* mnuJump = addMenu("mnuJump", "&Navigate");
  AddEntry(mnuJump, "mnuUpLvl", "&Up One Folder Level");
  AddEntry(mnuJump, "mnuLast", "&Last Used Destination Folder");
  mnuJump->addSeparator();
  QMenu* mnuFav =
      mnuJump->addMenu(MenuIconFor(QStringLiteral("&Favorites")), QStringLiteral("&Favorites"));
  mnuFav->setObjectName(QStringLiteral("mnuFav"));
  mnuFav->menuAction()->setObjectName(QStringLiteral("mnuFav"));
  for (int i = 0; i < 5; ++i) {
    const std::string name = "favs" + std::to_string(i);
    AddEntry(mnuFav, name.c_str(), "");
  }
  ShowFavoritesEmpty();
  AddEntry(mnuJump, "mnuEdfavs", "&Edit Favorites List");

  QMenu* hlpmenu = addMenu("hlpmenu", "&Help");
  AddEntry(hlpmenu, "hlpcontmenu", "&Contents");
  hlpmenu->addSeparator();
  AddEntry(hlpmenu, "abmenu", "&About Tessaly");
}

void MainWindow::ShowFavoritesEmpty() {
  // The menu as designed: with no favourites the first entry says so.
  QAction* first = actions_.at(QStringLiteral("favs0"));
  first->setText(QStringLiteral("(Empty)"));
  first->setIcon(MenuIconFor(first->text()));
  first->setEnabled(false);
  for (int i = 1; i < 5; ++i) actions_.at(QStringLiteral("favs%1").arg(i))->setVisible(false);
}

void MainWindow::BuildPopups() {
  filePopup_ = new QMenu(this);
  filePopup_->setObjectName(QStringLiteral("fpop"));
  QAction* fpopEx = AddEntry(filePopup_, "fpopEx", "Extract");
  connect(fpopEx, &QAction::triggered, this, &MainWindow::mnuEx_Click);
  QFont bold = fpopEx->font();
  bold.setBold(true);
  fpopEx->setFont(bold);
  filePopup_->setDefaultAction(fpopEx);
  AddEntry(filePopup_, "fpopZC", "Archive Contents");
  AddEntry(filePopup_, "fpopSI", "Set Info");
  filePopup_->addSeparator();
  AddEntry(filePopup_, "fpopLa", "Launch");
  AddEntry(filePopup_, "fpopCpy", "Copy to...");
  AddEntry(filePopup_, "fpopMov", "Move to...");
  AddEntry(filePopup_, "fpopRen", "Rename");
  AddEntry(filePopup_, "fpopDe", "Delete");
  AddEntry(filePopup_, "fpopPr", "Properties");
  filePopup_->addSeparator();
  connect(AddEntry(filePopup_, "fpopRe", "Refresh"), &QAction::triggered, this,
          &MainWindow::mnuRef_Click);

  folderPopup_ = new QMenu(this);
  folderPopup_->setObjectName(QStringLiteral("folderPop"));
  QAction* folderEx = AddEntry(folderPopup_, "folderEx", "Explore");
  bold = folderEx->font();
  bold.setBold(true);
  folderEx->setFont(bold);
  folderPopup_->setDefaultAction(folderEx);
  AddEntry(folderPopup_, "folderDest", "Set as Destination");
  AddEntry(folderPopup_, "folderAddFav", "Add to Favorites");
  AddEntry(folderPopup_, "folderNew", "Create New Folder");
  AddEntry(folderPopup_, "folDel", "Delete Folder");
  AddEntry(folderPopup_, "folren", "Rename Folder");
  AddEntry(folderPopup_, "folderprop", "Folder Properties");
  AddEntry(folderPopup_, "folderFind", "Find Files");
}

void MainWindow::BuildToolbar() {
  toolbar_ = addToolBar(QStringLiteral("Toolbar1"));
  toolbar_->setObjectName(QStringLiteral("Toolbar1"));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setIconSize(QSize(16, 16));
  for (const ToolbarButtonSpec& button : ToolbarButtons()) {
    if (button.IsSeparator()) {
      toolbar_->addSeparator();
      continue;
    }
    const QString key = QString::fromStdString(button.key);
    QAction* action = toolbar_->addAction(CommandIcon(button.image), key);
    action->setObjectName(key);
    action->setToolTip(QString::fromStdString(button.tooltip));
    actions_[key] = action;
    connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
  }
}

void MainWindow::Toolbar1_ButtonClick(const QString& key) {
  // A button runs its menu entry's command, whatever that entry's enabled state.
  const std::string command = ToolbarCommandFor(key.toStdString());
  if (command == "mnuEx") {
    mnuEx_Click();
  } else if (command == "mnuRef") {
    mnuRef_Click();
  }
}

void MainWindow::ApplySelectionCommands() {
  const SelectionCommands& c = browser_.commands;
  const std::pair<const char*, bool> states[] = {
      {"mnuEx", c.mnuEx},         {"fpopEx", c.fpopEx},   {"mnuZC", c.mnuZC},
      {"fpopZC", c.fpopZC},       {"mnuSi", c.mnuSi},     {"fpopSI", c.fpopSI},
      {"mnulaunch", c.mnulaunch}, {"fpopLa", c.fpopLa},   {"mnuProp", c.mnuProp},
      {"fpopPr", c.fpopPr},       {"mnuren", c.mnuren},   {"fpopRen", c.fpopRen},
      {"mnuCopy", c.mnuCopy},     {"fpopCpy", c.fpopCpy}, {"mnuMov", c.mnuMov},
      {"fpopMov", c.fpopMov},     {"mnuDel", c.mnuDel},   {"fpopDe", c.fpopDe},
  };
  for (const auto& [name, enabled] : states)
    actions_.at(QString::fromUtf8(name))->setEnabled(enabled);
  // The big button runs File > Extract only, so it looks as that entry is; a
  // disabled button still takes dropped files.
  extractButton_->setEnabled(c.mnuEx);
}

QAction* MainWindow::Action(const QString& name) const {
  const auto found = actions_.find(name);
  return found == actions_.end() ? nullptr : found->second;
}

QMenu* MainWindow::PopupMenu(const QString& name) const {
  if (name == QLatin1String("fpop")) return filePopup_;
  if (name == QLatin1String("folderPop")) return folderPopup_;
  return nullptr;
}

}  // namespace tessaly
