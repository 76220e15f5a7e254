#include "shell/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <optional>

#include "engine/archive_test.h"
#include "engine/beside_archives.h"
#include "engine/driver.h"
#include "engine/extraction_dialogs.h"
#include "engine/selection.h"
#include "inspect/archive_listings.h"
#include "inspect/ui/contents_window.h"
#include "inspect/ui/set_info_window.h"
#include "platform/files.h"
#include "platform/folder_listing.h"
#include "platform/ui/folder_tree.h"
#include "settings/destination_history.h"
#include "settings/settings_vars.h"
#include "settings/window_placement.h"
#include "shell/browser_logic.h"
#include "shell/rename_commands.h"
#include "shell/selection_state.h"
#include "shell/ui/drop_target_window.h"
#include "shell/ui/file_list_view.h"
#include "shell/ui/tray_icon.h"
#include "winsupport/ui/image_lists.h"
#include "winsupport/ui/split_panes.h"

namespace tessaly {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The working directory as the tree and the list name folders, ending in "/".
std::string WorkingFolder() {
  std::string folder = CurrentDirectory();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), model_(session.mainWindow) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tessaly"));
  setWindowIcon(FileTypeIcon("tessaly"));
  BuildMenus();
  BuildToolbar();
  BuildControls();
  BuildPopups();
  BuildTrayMenu();
  model_.view = this;

  connect(fileTypeFilter_, &QComboBox::activated, this, &MainWindow::FileTypeChanged);
  connect(destinationBox_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { model_.destinationBox.text = text.toStdString(); });
  connect(perArchiveFolder_, &QCheckBox::toggled, this, [this](bool checked) {
    model_.perArchiveFolder = browser_.perArchiveFolderChosen = checked;
  });
  connect(browseButton_, &QPushButton::clicked, this, &MainWindow::BrowseClicked);
  connect(locationBox_, &QLineEdit::returnPressed, this, &MainWindow::GoToLocation);
  // Ctrl+L goes to the location box, as in file managers and browsers.
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
          [this] {
            locationBox_->setFocus();
            locationBox_->selectAll();
          });
  connect(extractButton_, &QPushButton::clicked, this, &MainWindow::ExtractClicked);
  connect(tree_, &FolderTree::FolderSelected, this, &MainWindow::FolderChanged);
  connect(tree_, &FolderTree::ContextMenuOnItem, this, &MainWindow::TreeContextMenu);
  connect(fileList_, &FileListView::SelectionChanged, this, &MainWindow::UpdateSelectionState);
  connect(fileList_, &FileListView::ItemClicked, this, &MainWindow::ListItemClicked);
  connect(fileList_, &FileListView::ItemDoubleClicked, this, &MainWindow::ListDoubleClicked);
  // Delete in the list is File > Delete File(s), confirmation and all.
  new QShortcut(QKeySequence::Delete, fileList_, Action("mnuDel"), &QAction::trigger,
                Qt::WidgetShortcut);
  fileList_->SetTypeToFind(
      [](const std::vector<FileListItem>& items, const QString& typed, int currentRow) {
        std::vector<std::string> texts;
        texts.reserve(items.size());
        for (const FileListItem& item : items) {
          texts.push_back(QString::fromStdString(item.text).toCaseFolded().toStdString());
        }
        return FindItemForTypedText(texts, typed.toCaseFolded().toStdString(), currentRow);
      });
  fileList_->SetRenamer([this](const std::string& oldName, const std::string& newName) {
    return RenameInFolder(model_.currentFolder, oldName, newName);
  });
  connect(fileList_, &FileListView::ItemRenamed, this, [this] {
    // A renamed folder item is renamed in the tree as well.
    tree_->Reread();
    UpdateSelectionState();
  });
  connect(fileList_, &FileListView::RenameRefused, this, [this](const QString& why) {
    session_.dialogs.MessageBox({why.toStdString(), MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
  });
}

MainWindow::~MainWindow() {
  delete dropTarget_;
  if (model_.view == this) model_.view = nullptr;
}

void MainWindow::Load(const std::vector<std::string>& programArgs) {
  SetBusy(true);
  SetEnabled(false);
  loading_ = true;
  const QSize designSize = minimumSize().expandedTo(minimumSizeHint());
  resize(designSize);

  LoadSettings(session_.settings, session_.dialogs);
  favourites_ = StartupFavouritesMenu(ReadFavourites());
  ShowFavourites();
  const QRect screen = this->screen()->availableGeometry();
  const WindowPlacement current{WindowState(), x(), y(), designSize.width(), designSize.height()};
  ApplyPlacement(RestoreWindowPlacement(current, screen.width(), screen.height()));

  // The archive-set notice stays quiet while the filter is set from the settings.
  const int filterIndex = FilterIndexFromSetting(session_.settings.showFileType);
  {
    const QSignalBlocker quiet(fileTypeFilter_);
    fileTypeFilter_->setCurrentIndex(filterIndex);
  }
  FilterChange(session_, browser_, filterIndex, true);

  SelectStartFolder();
  model_.destinationBox.text = session_.settings.lastDestinationFolder;
  session_.events.pump();
  FillDestinationHistory(model_.destinationBox);
  ShowDestinationBox();
  ShowStatusPanels();

  ParseCommandLine(session_, std::nullopt, programArgs);
  ShowDestinationBox();

  SetBusy(false);
  SetEnabled(true);
  // The keys go to the files first, not to the location box above them.
  fileList_->setFocus();
  if (session_.settings.startupMode == "1") {
    ShowDropTarget(false);
  } else {
    Show();
  }
}

void MainWindow::ApplyPlacement(const WindowPlacement& placement) {
  setGeometry(placement.left, placement.top, placement.width, placement.height);
  SetWindowState(placement.state);
}

void MainWindow::SelectStartFolder() {
  const std::string cwd = WorkingFolder();
  const std::string start = StartFolderFor(session_.settings, cwd, DirectoryExists);
  if (!tree_->SelectFolder(Q(start))) tree_->SelectFolder(Q(cwd));
}

void MainWindow::SetUpSplitter() {
  SplitterGeometry& splitter = panes_->Geometry();
  panes_->SetControls(tree_, fileList_);
  // Whether the window manager has maximized the window yet or not, the saved
  // position gives the proportion it had.
  const int container = panes_->contentsRect().width();
  splitter.SetLeft(SplitterLeftFromSaved(SplitterPosSetting(splitter.Left()),
                                         NormalWidthOf(container), container));
  splitter.SetTrackSplit(true);
  splitter.AdjustSplitterPosition(true);
  loading_ = false;
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (loading_) SetUpSplitter();
}

void MainWindow::ShowDestinationBox() {
  // The core changes the destination box and its history (after a job, from the
  // command line, from the confirmation dialog); the widget follows its model.
  const QSignalBlocker quiet(destinationBox_);
  QStringList list;
  for (const std::string& folder : model_.destinationBox.list) list.append(Q(folder));
  QStringList shown;
  for (int i = 0; i < destinationBox_->count(); ++i) shown.append(destinationBox_->itemText(i));
  if (shown != list) {
    destinationBox_->clear();
    destinationBox_->addItems(list);
  }
  if (destinationBox_->currentText() != Q(model_.destinationBox.text))
    destinationBox_->setEditText(Q(model_.destinationBox.text));
}

void MainWindow::FileTypeChanged(int index) {
  FilterChange(session_, browser_, index, loading_);
  if (!loading_) SaveFileTypeFilter(index);
}

void MainWindow::FolderChanged(FolderNodeKind, const QString& path, bool listWanted) {
  setWindowTitle(Q(FolderChange(session_, path.toStdString())));
  locationBox_->setText(path);
  if (listWanted) ListFolder();
  UpdateSelectionState();
}

void MainWindow::GoToLocation() {
  QString typed = locationBox_->text().trimmed();
  // A location copied from a file manager comes as a URL.
  if (typed.startsWith(QLatin1String("file:"))) typed = QUrl(typed).toLocalFile();
  const std::optional<Location> found =
      FindLocation(typed.toStdString(), model_.currentFolder, QDir::homePath().toStdString());
  const bool sameFolder = found && found->folder == model_.currentFolder;
  if (!found || !tree_->SelectFolder(Q(found->folder))) {
    session_.dialogs.MessageBox(
        {"Tessaly cannot find \"" + typed.toStdString() + "\". Check the path and try again.",
         MsgButtons::OK, MsgIcon::Exclamation, "Oops!"});
    return;
  }
  // The folder already shown is read again: the file may be new.
  if (sameFolder) ListFolder();
  const std::vector<FileListItem>& items = fileList_->Items();
  for (size_t row = 0; row < items.size() && !found->file.empty(); ++row) {
    if (items[row].text == found->file) fileList_->SelectRow(static_cast<int>(row));
  }
  fileList_->setFocus();
}

void MainWindow::ListFolder() {
  SetBusy(true);
  // A virtual node of the tree (no path) lists nothing.
  std::vector<FileListItem> items;
  if (!model_.currentFolder.empty()) {
    items = tessaly::ListFolder(model_.currentFolder, browser_.filePattern);
  }
  fileList_->SetItems(model_.currentFolder, std::move(items));
  SetBusy(false);
}

void MainWindow::UpdateSelectionState() {
  const std::vector<FileListItem>& items = fileList_->Items();
  std::vector<ListItemRef> selected;
  for (int row : fileList_->SelectedRows()) {
    const FileListItem& item = items[static_cast<size_t>(row)];
    selected.push_back({item.text, item.tag});
  }
  tessaly::UpdateSelectionState(session_, browser_, selected);
  ApplySelectionCommands();
  selectionPanel_->setText(Q(browser_.selectionStatus));
  ShowExtractRefusal();
  {
    const QSignalBlocker quiet(perArchiveFolder_);
    perArchiveFolder_->setChecked(model_.perArchiveFolder);
  }
  perArchiveFolder_->setEnabled(browser_.perArchiveFolderEnabled);
  ShowDestinationBox();
}

void MainWindow::ListItemClicked(Qt::MouseButton button, const QPoint& globalPos) {
  UpdateSelectionState();
  if (button == Qt::RightButton) filePopup_->popup(globalPos, filePopup_->defaultAction());
}

void MainWindow::ListDoubleClicked() {
  const std::vector<int> rows = fileList_->SelectedRows();
  if (rows.empty()) return;
  const FileListItem& item = fileList_->Items()[static_cast<size_t>(rows.front())];
  switch (DoubleClickActionFor(!item.tag.empty(), session_.settings.doubleClickAction)) {
    case DoubleClickAction::OpenFolder:
      // A folder that has gone since the list was read disappears from the list.
      if (!tree_->SelectFolder(Q(item.tag))) RefreshList();
      break;
    case DoubleClickAction::Extract:
      ExtractSelected();
      break;
    case DoubleClickAction::ArchiveContents:
      ShowArchiveContents();
      break;
    case DoubleClickAction::Launch:
      LaunchSelected();
      break;
    case DoubleClickAction::Nothing:
      break;
  }
}

void MainWindow::TreeContextMenu(const QPoint& globalPos) {
  folderPopup_->popup(globalPos, folderPopup_->defaultAction());
}

void MainWindow::ExtractSelected() {
  session_.job.dropMode = false;
  ExtractSelectedArchives(session_, CallingWindow::MainWindow);
}

void MainWindow::TestSelected() {
  session_.job.dropMode = false;
  TestSelectedArchives(session_, CallingWindow::MainWindow);
}

void MainWindow::ExtractSelectedHere() {
  // The job takes its destination from the main window's box: the user's stays.
  const std::string destination = session_.mainWindow.destinationBox.text;
  const bool perArchiveFolder = session_.mainWindow.perArchiveFolder;
  const std::vector<std::string> archives = session_.job.selectedFiles;
  ExtractBesideArchives(session_, BesideMode::Here, archives, [this](const std::string& path) {
    return ArchiveEntryNames(session_, path);
  });
  session_.mainWindow.destinationBox.text = destination;
  session_.mainWindow.perArchiveFolder = perArchiveFolder;
  session_.job.statusOnly = false;
  Refresh();
}

void MainWindow::ShowArchiveContents() {
  const std::vector<std::string>& selected = session_.job.selectedFiles;
  if (selected.empty()) {
    SetBusy(false);
    return;
  }
  SetBusy(true);
  session_.job.activeBackend = ProbeArchiveForContents(session_, selected.front());
  if (session_.job.activeBackend.empty()) {
    // A reader ended while it probed has said why.
    if (!session_.job.readerEnded) {
      session_.dialogs.MessageBox(
          {NotSupportedText(selected.front()), MsgButtons::OK, MsgIcon::Critical, "Oops!", 1});
    }
    SetBusy(false);
    return;
  }
  // The pointer stays busy until the contents window closes.
  ContentsWindow::Open(session_, this);
}

void MainWindow::ExtractClicked() {
  if (Action(QStringLiteral("mnuEx"))->isEnabled()) ExtractSelected();
}

void MainWindow::ExtractDropped(const std::vector<std::string>& paths) {
  if (RefuseWhileJobRuns(session_)) return;
  TakeDroppedFiles(session_.job, paths);
  session_.job.dropMode = false;
  ExtractSelectedArchives(session_, CallingWindow::MainWindow);
}

void MainWindow::BrowseClicked() {
  DestinationRequest request;
  request.startFolder = model_.destinationBox.text;
  const DestinationAnswer answer = session_.dialogs.ChooseDestination(request);
  if (answer.chosenDestination.empty()) return;
  model_.destinationBox.text = answer.chosenDestination;
  ShowDestinationBox();
}

void MainWindow::ShowSetInfo() {
  JobState& job = session_.job;
  if (job.selectedFiles.empty()) return;
  SetBusy(true);
  job.currentExt = DetectArchiveType(session_, job.selectedFiles.front());
  if (!job.currentExt.empty()) {
    // The first selected row is the first selected file.
    const std::vector<int> rows = fileList_->SelectedRows();
    const std::string itemText =
        rows.empty() ? std::string() : fileList_->Items()[static_cast<size_t>(rows.front())].text;
    SetInfoWindow window(session_, itemText, this);
    window.exec();
    job.currentExt.clear();
  } else if (!job.readerEnded) {
    session_.dialogs.MessageBox(
        {NotSupportedText(job.selectedFiles.front()), MsgButtons::OK, MsgIcon::Critical, "Oops!"});
  }
  SetBusy(false);
}

void MainWindow::RefreshList() {
  ListFolder();
  UpdateSelectionState();
}

void MainWindow::Refresh() {
  tree_->Reread();
  RefreshList();
}

void MainWindow::SelectAll() {
  fileList_->SetAllSelected(true);
  UpdateSelectionState();
}

void MainWindow::SelectNone() {
  fileList_->SetAllSelected(false);
  UpdateSelectionState();
}

void MainWindow::ExitProgram() {
  // Ends at once: nothing is saved and no closing step runs.
  exiting_ = true;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this) window->hide();
  }
  close();
  // quit, not exit: exit outside the running loop would end every later modal loop too.
  QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // While a job or start-up holds the window it cannot be closed, as a disabled
  // window cannot; the job would go on without the window it reports to.
  if (!exiting_ && !IsEnabled()) {
    event->ignore();
    return;
  }
  if (!exiting_) {
    closing_ = true;
    SaveWindowSettings();
    tray_->Remove(TrayOwner::MainWindow);
    CloseOtherWindows();
  }
  event->accept();
}

void MainWindow::SaveWindowSettings() {
  const int state = WindowState();
  // A maximized or minimized window keeps the geometry it is restored to.
  const QRect geometry = state == kWindowNormal ? this->geometry() : normalGeometry();
  const WindowPlacement placement{state, geometry.x(), geometry.y(), geometry.width(),
                                  geometry.height()};
  const int container = panes_->contentsRect().width();
  SaveSettings(placement, fileTypeFilter_->currentIndex(), model_.destinationBox.text,
               model_.currentFolder,
               SplitterPosToSave(panes_->Geometry().Left(), container, NormalWidthOf(container)));
}

int MainWindow::NormalWidthOf(int width) const {
  // The frames around the panes keep their widths whatever the window's size.
  return width - (this->width() - normalGeometry().width());
}

void MainWindow::CloseOtherWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this && window->isVisible()) window->close();
  }
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    MainWindowActivated(session_);
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn &&
      (watched == destinationBox_ || watched == destinationBox_->lineEdit())) {
    // After the focus change, so that a click does not undo the selection.
    QTimer::singleShot(0, destinationBox_->lineEdit(), &QLineEdit::selectAll);
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::SetBusy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void MainWindow::SetEnabled(bool enabled) {
  // The controls, not the window: the windows this one owns (the Status window)
  // must stay usable while the main window is disabled.
  for (QWidget* part : {centralWidget(), static_cast<QWidget*>(menuBar()),
                        static_cast<QWidget*>(toolbar_), static_cast<QWidget*>(statusBar())}) {
    part->setEnabled(enabled);
  }
}

bool MainWindow::IsEnabled() const {
  return centralWidget()->isEnabled();
}

void MainWindow::FocusDestinationBox() {
  destinationBox_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::Show() {
  // A job sent to the background minimised it; coming back means shown whole.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

int MainWindow::WindowState() const {
  const Qt::WindowStates state = windowState();
  if (state & Qt::WindowMinimized) return kWindowMinimized;
  if (state & Qt::WindowMaximized) return kWindowMaximized;
  return kWindowNormal;
}

void MainWindow::SetWindowState(int state) {
  switch (state) {
    case kWindowMinimized:
      setWindowState(Qt::WindowMinimized);
      break;
    case kWindowMaximized:
      setWindowState(Qt::WindowMaximized);
      break;
    default:
      setWindowState(Qt::WindowNoState);
      break;
  }
}

bool MainWindow::IsVisible() const {
  return isVisible();
}

}  // namespace tessaly
