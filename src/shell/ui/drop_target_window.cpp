#include "shell/ui/drop_target_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "platform/ui/desktop_conventions.h"
#include "shell/drop_target.h"
#include "shell/ui/tray_icon.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

namespace {

constexpr int kIconSize = 32;
constexpr int kMargin = 4;

}  // namespace

DropTargetWindow::DropTargetWindow(Session& session, TrayIcon& tray)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      session_(session),
      tray_(tray) {
  setObjectName(QStringLiteral("form9"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowIcon(FileTypeIcon("tessaly"));
  setAcceptDrops(true);

  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("Image1"));
  picture_->setPixmap(FileTypeIcon("tessaly").pixmap(kIconSize, kIconSize));
  picture_->setFixedSize(kIconSize, kIconSize);
  picture_->setToolTip(QStringLiteral(
      "Drag and drop files to here from the file manager to extract. Right click for options."));
  // The picture is part of the window: the window takes its mouse and its drops.
  picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setToolTip(picture_->toolTip());
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->addWidget(picture_);
  setFixedSize(kIconSize + 2 * kMargin, kIconSize + 2 * kMargin);

  BuildMenus();
}

QAction* DropTargetWindow::AddEntry(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromUtf8(name));
  actions_[action->objectName()] = action;
  return action;
}

void DropTargetWindow::BuildMenus() {
  iconMenu_ = new QMenu(this);
  iconMenu_->setObjectName(QStringLiteral("iconpopup"));
  iconMenu_->setToolTipsVisible(true);
  QAction* restore = AddEntry(iconMenu_, "mnurestfull", "&Restore to full size");
  connect(restore, &QAction::triggered, this, &QWidget::close);
  SetDefaultEntry(iconMenu_, restore);
  QAction* toTray = AddEntry(iconMenu_, "IPSysTr", "&Minimize to System Tray");
  connect(toTray, &QAction::triggered, this, &DropTargetWindow::MinimizeToTray);
  // Without a tray the drop target has nowhere to go: it has no task-bar entry to
  // come back from, so the entry is greyed and says why.
  const auto describe = [this, toTray] {
    tray_.Describe(toTray);
    toTray->setEnabled(tray_.Available());
  };
  describe();
  connect(&tray_, &TrayIcon::AvailabilityChanged, toTray, describe);
  iconMenu_->addSeparator();
  connect(AddEntry(iconMenu_, "mnudestf", "&Select destination folder"), &QAction::triggered, this,
          &DropTargetWindow::SelectDestination);
  connect(AddEntry(iconMenu_, "mnuicoopt", "&Program options"), &QAction::triggered, this,
          [this] { BelowOthers([this] { emit optionsRequested(); }); });
  iconMenu_->addSeparator();
  QAction* onTop = AddEntry(iconMenu_, "ontop", "&Always on top");
  onTop->setCheckable(true);
  onTop->setChecked(true);
  connect(onTop, &QAction::triggered, this, &DropTargetWindow::ToggleAlwaysOnTop);
  iconMenu_->addSeparator();
  connect(AddEntry(iconMenu_, "mnuabt", "A&bout"), &QAction::triggered, this,
          [this] { BelowOthers([this] { emit aboutRequested(); }); });
  connect(AddEntry(iconMenu_, "mnuicoexit", "&Exit program"), &QAction::triggered, this,
          &DropTargetWindow::exitRequested);

  trayMenu_ = new QMenu(this);
  trayMenu_->setObjectName(QStringLiteral("syspop"));
  QAction* show = AddEntry(trayMenu_, "spRest", "Restore");
  connect(show, &QAction::triggered, this, &DropTargetWindow::RestoreFromTray);
  SetDefaultEntry(trayMenu_, show);
  connect(AddEntry(trayMenu_, "spEx", "Exit"), &QAction::triggered, this,
          &DropTargetWindow::exitRequested);
  trayMenu_->addSeparator();
  connect(AddEntry(trayMenu_, "spAb", "About"), &QAction::triggered, this,
          [this] { BelowOthers([this] { emit aboutRequested(); }); });
}

QMenu* DropTargetWindow::PopupMenu(const QString& name) const {
  if (name == QLatin1String("iconpopup")) return iconMenu_;
  if (name == QLatin1String("syspop")) return trayMenu_;
  return nullptr;
}

QAction* DropTargetWindow::Action(const QString& name) const {
  const auto found = actions_.find(name);
  return found == actions_.end() ? nullptr : found->second;
}

bool DropTargetWindow::AlwaysOnTop() const {
  return actions_.at(QStringLiteral("ontop"))->isChecked();
}

void DropTargetWindow::SetTopmost(bool topmost) {
  // Changed on the window in place: setWindowFlags would hide and show it again, in
  // the middle of a drop.
  Qt::WindowFlags flags = windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
  overrideWindowFlags(flags);
  if (QWindow* window = windowHandle()) window->setFlags(flags);
}

template <typename Step>
void DropTargetWindow::BelowOthers(Step step) {
  // The windows the step opens would be covered by a topmost drop target.
  const bool onTop = AlwaysOnTop();
  if (onTop) SetTopmost(false);
  const QPointer<DropTargetWindow> self(this);
  step();
  if (self && onTop) SetTopmost(true);
}

void DropTargetWindow::SelectDestination() {
  // The running job's archives still to come go where it was told.
  if (RefuseWhileJobRuns(session_)) return;
  BelowOthers([this] {
    DestinationRequest request;
    request.startFolder = session_.mainWindow.destinationBox.text;
    const DestinationAnswer answer = session_.dialogs.ChooseDestination(request);
    if (!answer.chosenDestination.empty())
      session_.mainWindow.destinationBox.text = answer.chosenDestination;
  });
}

void DropTargetWindow::ToggleAlwaysOnTop() {
  // The action has ticked or unticked itself; the choice is not saved.
  SetTopmost(AlwaysOnTop());
}

void DropTargetWindow::MinimizeToTray() {
  if (!tray_.Available()) return;
  tray_.Add(TrayOwner::DropTarget, kDropTargetCaption);
  hide();
}

void DropTargetWindow::RestoreFromTray() {
  tray_.Remove(TrayOwner::DropTarget);
  show();
  raise();
  activateWindow();
}

void DropTargetWindow::OpenTrayMenu(const QPoint& globalPos) {
  const bool shown = isVisible();
  if (shown) {
    raise();
    activateWindow();
  }
  QMenu* menu = PopupMenu(QString::fromStdString(TrayMenuFor(TrayOwner::DropTarget, shown)));
  menu->popup(globalPos, menu->defaultAction());
}

void DropTargetWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  pressAt_ = event->globalPosition().toPoint();
  grabOffset_ = pressAt_ - pos();
}

void DropTargetWindow::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint at = event->globalPosition().toPoint();
  if (!dragging_) {
    // Not at the press itself: a double click must not start a move.
    if ((at - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
      pressed_ = false;
      return;
    }
    dragging_ = true;
  }
  move(at - grabOffset_);
}

void DropTargetWindow::mouseReleaseEvent(QMouseEvent* event) {
  pressed_ = false;
  dragging_ = false;
  if (event->button() == Qt::RightButton) {
    iconMenu_->popup(event->globalPosition().toPoint(), iconMenu_->defaultAction());
  }
}

void DropTargetWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  pressed_ = false;
  if (event->button() == Qt::LeftButton && !iconMenu_->isVisible()) close();
}

void DropTargetWindow::dragEnterEvent(QDragEnterEvent* event) {
  dragMoveEvent(event);
}

void DropTargetWindow::dragMoveEvent(QDragMoveEvent* event) {
  AnswerFileDrop(event);
}

void DropTargetWindow::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths = AnswerFileDrop(event);
  if (paths.empty()) return;
  // After the drop has been answered: the file manager waits for that answer, and the
  // job opens windows of its own.
  QTimer::singleShot(0, this, [this, paths = std::move(paths)] {
    BelowOthers([&] { ExtractDroppedOnTarget(session_, paths); });
  });
}

void DropTargetWindow::closeEvent(QCloseEvent* event) {
  tray_.Remove(TrayOwner::DropTarget);
  emit closed();
  event->accept();
}

void DropTargetWindow::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // Without a frame from the window manager, a line of its own keeps it apart from what
  // lies behind.
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tessaly
