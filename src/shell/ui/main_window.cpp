#include "shell/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <optional>

#include "engine/driver.h"
#include "engine/extraction_dialogs.h"
#include "engine/selection.h"
#include "platform/files.h"
#include "platform/folder_listing.h"
#include "platform/ui/folder_tree.h"
#include "settings/destination_history.h"
#include "settings/settings_vars.h"
#include "settings/window_placement.h"
#include "shell/browser_logic.h"
#include "shell/selection_state.h"
#include "shell/ui/file_list_view.h"
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

Form1::Form1(Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), model_(session.Form1) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Tessaly"));
  setWindowIcon(FileTypeIcon("tessaly"));
  BuildMenus();
  BuildToolbar();
  BuildControls();
  BuildPopups();
  model_.view = this;

  connect(Combo2_, &QComboBox::activated, this, &Form1::Combo2_Click);
  connect(Combo1_, &QComboBox::editTextChanged, this,
          [this](const QString& text) { model_.Combo1.text = text.toStdString(); });
  connect(Check1_, &QCheckBox::toggled, this, [this](bool checked) { model_.Check1 = checked; });
  connect(Command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(ExplorerTree1_, &FolderTree::FolderSelected, this, &Form1::FolderChanged);
  connect(ExplorerTree1_, &FolderTree::ContextMenuOnItem, this, &Form1::TreeContextMenu);
  connect(file1_, &FileListView::SelectionChanged, this, &Form1::UpdateSelectionState);
  connect(file1_, &FileListView::ItemClicked, this, &Form1::ListItemClicked);
  connect(file1_, &FileListView::ItemDoubleClicked, this, &Form1::ListDoubleClicked);
  file1_->SetTypeToFind([](const std::vector<FileListItem>& items, int keyCode) {
    std::vector<std::string> texts;
    texts.reserve(items.size());
    for (const FileListItem& item : items) texts.push_back(item.text);
    return FindItemForKey(texts, keyCode);
  });
}

Form1::~Form1() {
  if (model_.view == this) model_.view = nullptr;
}

void Form1::Load(const std::vector<std::string>& programArgs) {
  SetBusy(true);
  SetEnabled(false);
  loading_ = true;
  const QSize designSize = minimumSize().expandedTo(minimumSizeHint());
  resize(designSize);

  LoadSettings(session_.settings, session_.dialogs);
  const QRect screen = this->screen()->availableGeometry();
  const WindowPlacement current{WindowState(), x(), y(), designSize.width(), designSize.height()};
  ApplyPlacement(RestoreWindowPlacement(current, screen.width(), screen.height()));

  // The archive-set notice stays quiet while the filter is set from the settings.
  const int filterIndex = FilterIndexFromSetting(session_.settings.ShowFileType);
  {
    const QSignalBlocker quiet(Combo2_);
    Combo2_->setCurrentIndex(filterIndex);
  }
  FilterChange(session_, filterIndex, true);

  SelectStartFolder();
  model_.Combo1.text = session_.settings.LastDestinationFolder;
  session_.events.pump();
  FillDestinationHistory(model_.Combo1);
  SyncCombo1FromModel();
  ShowStatusPanels();

  ParseCommandLine(session_, std::nullopt, programArgs);
  SyncCombo1FromModel();

  SetBusy(false);
  SetEnabled(true);
  // Start-up into the drop target (StartupMode "1") comes with that window; until
  // then the main window shows in every mode.
  Show();
}

void Form1::ApplyPlacement(const WindowPlacement& placement) {
  setGeometry(placement.left, placement.top, placement.width, placement.height);
  SetWindowState(placement.state);
}

void Form1::SelectStartFolder() {
  const std::string cwd = WorkingFolder();
  const std::string start = StartFolderFor(session_.settings, cwd, DirectoryExists);
  if (!ExplorerTree1_->SelectFolder(Q(start))) ExplorerTree1_->SelectFolder(Q(cwd));
}

void Form1::SetUpSplitter() {
  CVSplitterWnd& splitter = pbx_->VSplitter();
  pbx_->SetControls(ExplorerTree1_, file1_);
  // Whether the window manager has maximized the window yet or not, the saved
  // position gives the proportion it had.
  const int container = pbx_->contentsRect().width();
  splitter.SetLeft(SplitterLeftFromSaved(SplitterPosSetting(splitter.Left()),
                                         NormalWidthOf(container), container));
  splitter.SetTrackSplit(true);
  splitter.AdjustSplitterPosition(true);
  loading_ = false;
}

void Form1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (loading_) SetUpSplitter();
}

void Form1::SyncCombo1FromModel() {
  // The core changes the destination box and its history (after a job, from the
  // command line, from the confirmation dialog); the widget follows its model.
  const QSignalBlocker quiet(Combo1_);
  QStringList list;
  for (const std::string& folder : model_.Combo1.list) list.append(Q(folder));
  QStringList shown;
  for (int i = 0; i < Combo1_->count(); ++i) shown.append(Combo1_->itemText(i));
  if (shown != list) {
    Combo1_->clear();
    Combo1_->addItems(list);
  }
  if (Combo1_->currentText() != Q(model_.Combo1.text)) Combo1_->setEditText(Q(model_.Combo1.text));
}

void Form1::Combo2_Click(int index) {
  FilterChange(session_, index, loading_);
}

void Form1::FolderChanged(FolderNodeKind, const QString& path, bool listWanted) {
  setWindowTitle(Q(FolderChange(session_, path.toStdString())));
  if (listWanted) ListFolder();
  UpdateSelectionState();
}

void Form1::ListFolder() {
  SetBusy(true);
  // A virtual node of the tree (no path) lists nothing.
  std::vector<FileListItem> items;
  if (!model_.CurrentFolder.empty()) {
    items = tessaly::ListFolder(model_.CurrentFolder, model_.FilePattern);
  }
  file1_->SetItems(model_.CurrentFolder, std::move(items));
  SetBusy(false);
}

void Form1::UpdateSelectionState() {
  const std::vector<FileListItem>& items = file1_->Items();
  std::vector<ListItemRef> selected;
  for (int row : file1_->SelectedRows()) {
    const FileListItem& item = items[static_cast<size_t>(row)];
    selected.push_back({item.text, item.tag});
  }
  tessaly::UpdateSelectionState(session_, selected);
  ApplySelectionCommands();
  pnlProgress_->setText(Q(model_.pnlProgress));
  {
    const QSignalBlocker quiet(Check1_);
    Check1_->setChecked(model_.Check1);
  }
  Check1_->setEnabled(model_.Check1Enabled);
  SyncCombo1FromModel();
}

void Form1::ListItemClicked(Qt::MouseButton button, const QPoint& globalPos) {
  UpdateSelectionState();
  if (button == Qt::RightButton) fpop_->popup(globalPos, fpop_->defaultAction());
}

void Form1::ListDoubleClicked() {
  const std::vector<int> rows = file1_->SelectedRows();
  if (rows.empty()) return;
  const FileListItem& item = file1_->Items()[static_cast<size_t>(rows.front())];
  switch (DoubleClickActionFor(!item.tag.empty(), session_.settings.DCAction)) {
    case DoubleClickAction::OpenFolder:
      // A folder that has gone since the list was read disappears from the list.
      if (!ExplorerTree1_->SelectFolder(Q(item.tag))) mnuRef_Click();
      break;
    case DoubleClickAction::Extract:
      mnuEx_Click();
      break;
    case DoubleClickAction::ArchiveContents:
    case DoubleClickAction::Launch:
    case DoubleClickAction::Nothing:
      break;
  }
}

void Form1::TreeContextMenu(const QPoint& globalPos) {
  folderPop_->popup(globalPos, folderPop_->defaultAction());
}

void Form1::mnuEx_Click() {
  session_.job.DropMode = false;
  ExtractSelectedArchives(session_, CallingForm::MainWindow);
}

void Form1::Command2_Click() {
  if (Action(QStringLiteral("mnuEx"))->isEnabled()) mnuEx_Click();
}

void Form1::ExtractDropped(const std::vector<std::string>& paths) {
  TakeDroppedFiles(session_.job, paths);
  session_.job.DropMode = false;
  ExtractSelectedArchives(session_, CallingForm::MainWindow);
}

void Form1::Command1_Click() {
  DestinationRequest request;
  request.startFolder = model_.Combo1.text;
  const DestinationAnswer answer = session_.dialogs.ChooseDestination(request);
  if (answer.ChosenDestination.empty()) return;
  model_.Combo1.text = answer.ChosenDestination;
  SyncCombo1FromModel();
}

void Form1::mnuRef_Click() {
  ListFolder();
  UpdateSelectionState();
}

void Form1::selall_Click() {
  file1_->SetAllSelected(true);
  UpdateSelectionState();
}

void Form1::selnone_Click() {
  file1_->SetAllSelected(false);
  UpdateSelectionState();
}

void Form1::fmexit_Click() {
  // Ends at once: nothing is saved and no closing step runs.
  exiting_ = true;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this) window->hide();
  }
  close();
  // quit, not exit: exit outside the running loop would end every later modal loop too.
  QCoreApplication::quit();
}

void Form1::closeEvent(QCloseEvent* event) {
  // While a job or start-up holds the window it cannot be closed, as a disabled
  // window cannot; the job would go on without the window it reports to.
  if (!exiting_ && !IsEnabled()) {
    event->ignore();
    return;
  }
  if (!exiting_) {
    SaveWindowSettings();
    CloseOtherWindows();
  }
  event->accept();
}

void Form1::SaveWindowSettings() {
  const int state = WindowState();
  // A maximized or minimized window keeps the geometry it is restored to.
  const QRect geometry = state == kWindowNormal ? this->geometry() : normalGeometry();
  const WindowPlacement placement{state, geometry.x(), geometry.y(), geometry.width(),
                                  geometry.height()};
  const int container = pbx_->contentsRect().width();
  SaveSettings(placement, Combo2_->currentIndex(), model_.Combo1.text, model_.CurrentFolder,
               SplitterPosToSave(pbx_->VSplitter().Left(), container, NormalWidthOf(container)));
}

int Form1::NormalWidthOf(int width) const {
  // The frames around the panes keep their widths whatever the window's size.
  return width - (this->width() - normalGeometry().width());
}

void Form1::CloseOtherWindows() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window != this && window->isVisible()) window->close();
  }
}

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    MainWindowActivated(session_);
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && (watched == Combo1_ || watched == Combo1_->lineEdit())) {
    // After the focus change, so that a click does not undo the selection.
    QTimer::singleShot(0, Combo1_->lineEdit(), &QLineEdit::selectAll);
  }
  return QMainWindow::eventFilter(watched, event);
}

void Form1::SetBusy(bool busy) {
  if (busy) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void Form1::SetEnabled(bool enabled) {
  // The controls, not the window: the windows this one owns (the Status window)
  // must stay usable while the main window is disabled.
  for (QWidget* part : {centralWidget(), static_cast<QWidget*>(menuBar()),
                        static_cast<QWidget*>(Toolbar1_), static_cast<QWidget*>(statusBar())}) {
    part->setEnabled(enabled);
  }
}

bool Form1::IsEnabled() const {
  return centralWidget()->isEnabled();
}

void Form1::FocusCombo1() {
  Combo1_->setFocus(Qt::OtherFocusReason);
}

void Form1::Show() {
  show();
  raise();
  activateWindow();
}

int Form1::WindowState() const {
  const Qt::WindowStates state = windowState();
  if (state & Qt::WindowMinimized) return kWindowMinimized;
  if (state & Qt::WindowMaximized) return kWindowMaximized;
  return kWindowNormal;
}

void Form1::SetWindowState(int state) {
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

bool Form1::IsVisible() const {
  return isVisible();
}

}  // namespace tessaly
