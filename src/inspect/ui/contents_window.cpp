#include "inspect/ui/contents_window.h"

#include <QComboBox>
#include <QDrag>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "engine/archive_test.h"
#include "engine/arj/arj_batch.h"
#include "engine/driver.h"
#include "engine/name_encoding_choice.h"
#include "inspect/archive_listings.h"
#include "inspect/entry_viewing.h"
#include "inspect/ui/contents_table_model.h"
#include "inspect/ui/text_viewer_window.h"
#include "platform/desktop_open.h"
#include "platform/files.h"
#include "platform/ui/desktop_conventions.h"

namespace tessaly {

namespace {

constexpr const char* kNoApplication =
    "There is no application associated with this file. Would you like to open the file in "
    "the text viewer?";
constexpr const char* kViewerError = "There was an error opening the text viewer!";

// The list's least size: somewhat more than the design's 491 pixels, for today's fonts.
constexpr int kListWidth = 560;
constexpr int kListHeight = 250;
constexpr int kMeasuredRows = 100;
// The least width of the Filename and Path columns.
constexpr int kWideColumn = 130;

// The list hands the start of a drag to the window, which unpacks what is dragged.
class EntryList : public QTreeView {
 public:
  EntryList(QWidget* parent, std::function<void()> drag)
      : QTreeView(parent), drag_(std::move(drag)) {}

 protected:
  void startDrag(Qt::DropActions) override { drag_(); }

 private:
  std::function<void()> drag_;
};

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

ContentsWindow::ContentsWindow(Session& session, QWidget* owner)
    : QDialog(owner), session_(session) {
  setObjectName(QStringLiteral("Form10"));
  setModal(false);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();
}

ContentsWindow::~ContentsWindow() {
  Unload();
}

void ContentsWindow::BuildControls() {
  model_ = new ContentsTableModel(session_.contents, this);
  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("nameFilter"));
  filter_->setPlaceholderText(QStringLiteral("Filter by name"));
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, model_, &ContentsTableModel::SetNameFilter);
  list_ = new EntryList(this, [this] { DragSelected(); });
  list_->setDragEnabled(true);
  list_->setDragDropMode(QAbstractItemView::DragOnly);
  list_->setObjectName(QStringLiteral("ListView1"));
  list_->setModel(model_);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSortingEnabled(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setIconSize(QSize(16, 16));
  SortOnHeaderClicks(list_->header(),
                     [this](int column, Qt::SortOrder order) { model_->sort(column, order); });
  list_->header()->setStretchLastSection(false);
  list_->setMinimumSize(kListWidth, kListHeight);
  list_->viewport()->installEventFilter(this);
  filter_->installEventFilter(this);
  // Ctrl+F goes to the filter, as in file managers.
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
    filter_->setFocus();
    filter_->selectAll();
  });

  totals_ = new QLabel(this);
  totals_->setObjectName(QStringLiteral("Label1"));
  launch_ = MakeButton(this, "Command3_1", "Launch");
  view_ = MakeButton(this, "Command3_0", "View in Text Viewer");
  extract_ = MakeButton(this, "Command2", "Extract Selected File(s)");
  extractTo_ = MakeButton(this, "Command4", "Extract Selected File(s) To");
  test_ = MakeButton(this, "cmdTest", "Test");
  done_ = MakeButton(this, "Command1", "Done");
  done_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {launch_, view_, extract_, extractTo_, test_})
    buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(done_);
  names_ = new QComboBox(this);
  names_->setObjectName(QStringLiteral("ComboNames"));
  for (const std::string& choice : NameEncodingChoices()) {
    names_->addItem(QString::fromStdString(choice));
  }
  auto* namesLabel = new QLabel(QStringLiteral("Names:"), this);
  namesLabel->setBuddy(names_);
  auto* topRow = new QHBoxLayout;
  topRow->addWidget(filter_, 1);
  topRow->addWidget(namesLabel);
  topRow->addWidget(names_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->addLayout(topRow);
  layout->addWidget(list_, 1);
  layout->addWidget(totals_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ContentsWindow::UpdateButtons);
  connect(list_, &QTreeView::doubleClicked, this, [this] {
    // A double click with the right button does nothing.
    if (doubleClickButton_ == Qt::LeftButton && SelectedRows().size() == 1) Launch();
  });
  connect(launch_, &QPushButton::clicked, this, &ContentsWindow::Launch);
  connect(view_, &QPushButton::clicked, this, &ContentsWindow::ViewInTextViewer);
  connect(extract_, &QPushButton::clicked, this, &ContentsWindow::ExtractSelected);
  connect(extractTo_, &QPushButton::clicked, this, &ContentsWindow::ExtractSelectedTo);
  connect(test_, &QPushButton::clicked, this, &ContentsWindow::TestWholeArchive);
  connect(done_, &QPushButton::clicked, this, &QDialog::accept);
  connect(names_, &QComboBox::activated, this, [this](int index) {
    nameEncoding_ = index == 0 ? std::string() : names_->itemText(index).toStdString();
    if (!ListEntries()) done(QDialog::Rejected);
  });
  UpdateButtons();
}

ContentsWindow* ContentsWindow::Open(Session& session, QWidget* owner) {
  auto* window = new ContentsWindow(session, owner);
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (!window->Load()) {
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->done(QDialog::Rejected);
    delete window;
    return nullptr;
  }
  window->show();
  window->raise();
  window->activateWindow();
  // The keys go to the rows first; Ctrl+F or a click reaches the filter.
  window->list_->setFocus();
  return window;
}

bool ContentsWindow::Load() {
  const JobState& job = session_.job;
  // Kept here: a job run from this window clears the job's backend when it ends.
  type_ = job.activeBackend;
  loaded_ = true;
  archivePath_ = job.selectedFiles.empty() ? std::string() : job.selectedFiles.front();
  if (MainWindowView* main = session_.mainWindow.view) main->SetEnabled(false);
  setWindowTitle(QString::fromStdString("Contents of " + archivePath_));
  return ListEntries();
}

bool ContentsWindow::ListEntries() {
  // Each listing starts afresh, or keeps what the ZIP probe listed of this archive.
  session_.job.nameEncoding = nameEncoding_;
  const ListingResult result = ListArchive(session_, type_, archivePath_);
  session_.job.nameEncoding.clear();
  if (nameEncoding_.empty()) {
    const std::string& found = session_.job.namesReadIn;
    names_->setItemText(0, QString::fromStdString(kAutomaticNameEncoding +
                                                  (found.empty() ? "" : " (" + found + ")")));
  }
  model_->ShowListing(type_);
  SizeNarrowColumns();
  list_->clearSelection();
  totals_->setText(QString::fromStdString(session_.contents.totals));
  UpdateButtons();

  if (result == ListingResult::MissingVolume) {
    session_.dialogs.MessageBox(
        {kRarListingMissingVolume, MsgButtons::OK, MsgIcon::Critical, "Oops!", 1});
    return false;
  }
  return result != ListingResult::Aborted;
}

void ContentsWindow::SizeNarrowColumns() {
  QHeaderView* header = list_->header();
  const QFontMetrics& metrics = list_->fontMetrics();
  int narrowWidth = 0;
  int wideCount = 0;
  for (int column = 0; column < model_->columnCount(); ++column) {
    if (model_->IsWideColumn(column)) {
      ++wideCount;
      continue;
    }
    // The caption and the first rows are enough: these columns hold dates and numbers.
    int width = header->fontMetrics().horizontalAdvance(
        model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    for (int row = 0; row < std::min(model_->rowCount(), kMeasuredRows); ++row) {
      width = std::max(width, metrics.horizontalAdvance(
                                  model_->index(row, column).data(Qt::DisplayRole).toString()));
    }
    width += 16;
    header->resizeSection(column, width);
    narrowWidth += width;
  }
  // Room for the wide columns, the frame and a scroll bar.
  list_->setMinimumWidth(std::max(kListWidth, narrowWidth + wideCount * kWideColumn + 24));
}

void ContentsWindow::ShareWideColumns() {
  int wideCount = 0;
  int room = list_->viewport()->width();
  for (int column = 0; column < model_->columnCount(); ++column) {
    if (model_->IsWideColumn(column)) {
      ++wideCount;
    } else {
      room -= list_->header()->sectionSize(column);
    }
  }
  if (wideCount == 0) return;
  const int wideWidth = std::max(kWideColumn, room / wideCount);
  for (int column = 0; column < model_->columnCount(); ++column) {
    if (model_->IsWideColumn(column)) list_->header()->resizeSection(column, wideWidth);
  }
}

std::vector<int> ContentsWindow::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void ContentsWindow::UpdateButtons() {
  const size_t selected = static_cast<size_t>(list_->selectionModel()->selectedRows().size());
  launch_->setEnabled(selected == 1);
  view_->setEnabled(selected == 1);
  extract_->setEnabled(selected >= 1);
  extractTo_->setEnabled(selected >= 1);
}

void ContentsWindow::ExtractSelected() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || RefuseWhileJobRuns(session_)) return;
  JobState& job = session_.job;
  // The stored names, not the row texts: those drop the folder and mark encryption.
  job.selectedEntryNames.clear();
  job.selectedEntryNames.reserve(rows.size());
  for (int row : rows) job.selectedEntryNames.push_back(model_->Row(row).storedName);
  job.selectedEntriesMode = true;
  job.selectedFiles = {archivePath_};
  job.selectedCount = 1;
  job.dropMode = false;
  // No second job from here while this one runs.
  setEnabled(false);
  setCursor(Qt::WaitCursor);
  // The names as this window reads them.
  job.nameEncoding = nameEncoding_;
  ExtractSelectedArchives(session_, CallingWindow::Contents);
  job.nameEncoding.clear();
  unsetCursor();
  setEnabled(true);
  // A job refused before its backend ran leaves the mode on for the next job.
  job.selectedEntriesMode = false;
}

void ContentsWindow::TestWholeArchive() {
  if (RefuseWhileJobRuns(session_)) return;
  JobState& job = session_.job;
  job.selectedFiles = {archivePath_};
  job.selectedCount = 1;
  job.dropMode = false;
  setEnabled(false);
  setCursor(Qt::WaitCursor);
  TestSelectedArchives(session_, CallingWindow::Contents);
  unsetCursor();
  setEnabled(true);
}

void ContentsWindow::ExtractSelectedTo() {
  DestinationRequest request;
  const std::string& destination = session_.mainWindow.destinationBox.text;
  if (DirectoryExists(destination) || FileExists(destination)) request.startFolder = destination;
  const DestinationAnswer answer = session_.dialogs.ChooseDestination(request);
  if (answer.chosenDestination.empty()) return;
  session_.mainWindow.destinationBox.text = answer.chosenDestination;
  // The main window shows its destination box as the selection state is shown.
  if (MainWindowView* main = session_.mainWindow.view) main->UpdateSelectionState();
  ExtractSelected();
}

std::optional<std::string> ContentsWindow::UnpackSelected() {
  const std::vector<int> rows = SelectedRows();
  if (rows.size() != 1) return std::nullopt;
  setCursor(Qt::WaitCursor);
  std::optional<std::string> path =
      UnpackEntryForViewing(session_, type_, archivePath_, model_->Row(rows.front()).storedName);
  unsetCursor();
  return path;
}

void ContentsWindow::DragSelected() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty() || RefuseWhileJobRuns(session_)) return;
  std::vector<std::string> names;
  for (int row : rows) names.push_back(model_->Row(row).storedName);
  setCursor(Qt::WaitCursor);
  const std::vector<std::string> paths = UnpackEntriesForDrag(session_, type_, archivePath_, names);
  unsetCursor();
  if (paths.empty()) return;
  QList<QUrl> urls;
  for (const std::string& path : paths)
    urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
  auto* data = new QMimeData;
  data->setUrls(urls);
  auto* drag = new QDrag(list_);
  drag->setMimeData(data);
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void ContentsWindow::OpenInViewer(const std::string& path) {
  // The viewer belongs to the main window, so it stays when this window closes.
  if (FileExists(path) && TextViewerWindow::Show(path, parentWidget())) return;
  session_.dialogs.MessageBox({kViewerError, MsgButtons::OK, MsgIcon::Critical, "Oops!", 1});
}

void ContentsWindow::ViewInTextViewer() {
  if (const std::optional<std::string> path = UnpackSelected()) OpenInViewer(*path);
}

void ContentsWindow::Launch() {
  const std::optional<std::string> path = UnpackSelected();
  if (!path) return;
  if (!FileExists(*path)) {
    session_.dialogs.MessageBox({kViewerError, MsgButtons::OK, MsgIcon::Critical, "Oops!", 1});
    return;
  }
  if (OpenWithDesktop(*path, session_.events) != kDesktopOpenNoOpener) return;
  const MsgAnswer answer = session_.dialogs.MessageBox(
      {kNoApplication, MsgButtons::YesNo, MsgIcon::Critical, "Launch", 1});
  if (answer == MsgAnswer::Yes) OpenInViewer(*path);
}

bool ContentsWindow::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the filter goes on to the rows found; it does not press Done.
  if (watched == filter_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      list_->setFocus();
      if (!list_->currentIndex().isValid() && model_->rowCount() > 0) {
        list_->setCurrentIndex(model_->index(0, 0));
      }
      return true;
    }
  }
  if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    doubleClickButton_ = static_cast<QMouseEvent*>(event)->button();
  }
  return QDialog::eventFilter(watched, event);
}

void ContentsWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Only a shown list knows its width.
  if (!columnsShared_) {
    columnsShared_ = true;
    ShareWideColumns();
  }
}

void ContentsWindow::done(int result) {
  Unload();
  QDialog::done(result);
}

void ContentsWindow::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  if (MainWindowView* main = session_.mainWindow.view) {
    main->SetEnabled(true);
    main->SetBusy(false);
  }
  // The type probe leaves the ARJ utility's listing for this window.
  const std::string& tempFolder = session_.settings.tempFolder;
  if (!tempFolder.empty() && FileExists(tempFolder + kArjListingName)) {
    DeleteFile(tempFolder + kArjListingName);
  }
}

}  // namespace tessaly
