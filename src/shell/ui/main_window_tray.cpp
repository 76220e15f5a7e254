// The main window's drop target and tray: Shrink to Drop Target, Minimize to System
// Tray, the tray icon's events and its menu, and the sign that a job in the background ended.
#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include "platform/ui/desktop_conventions.h"
#include "platform/ui/desktop_notification.h"
#include "shell/drop_target.h"
#include "shell/ui/drop_target_window.h"
#include "shell/ui/main_window.h"
#include "shell/ui/tray_icon.h"

namespace tessaly {

void MainWindow::BuildTrayMenu() {
  tray_ = new TrayIcon(this);
  connect(tray_, &TrayIcon::DoubleClicked, this, &MainWindow::TrayDoubleClicked);
  connect(tray_, &TrayIcon::MenuRequested, this, &MainWindow::TrayMenuRequested);
  QAction* toTray = Action(QStringLiteral("mnuST"));
  tray_->Describe(toTray);
  connect(tray_, &TrayIcon::AvailabilityChanged, this, [this, toTray] { tray_->Describe(toTray); });

  trayMenu_ = new QMenu(this);
  trayMenu_->setObjectName(QStringLiteral("mnuSystemtray"));
  QAction* restore = AddEntry(trayMenu_, "traymnurest", "&Restore");
  connect(restore, &QAction::triggered, this, &MainWindow::RestoreFromTray);
  SetDefaultEntry(trayMenu_, restore);
  connect(AddEntry(trayMenu_, "traymnuex", "&Exit"), &QAction::triggered, this, [this] {
    tray_->Remove(TrayOwner::MainWindow);
    CloseAndQuit();
  });
  trayMenu_->addSeparator();
  // The same command as Help > About, whatever runs it.
  connect(AddEntry(trayMenu_, "traymnuab", "&About"), &QAction::triggered, this,
          [this] { emit Action(QStringLiteral("abmenu"))->triggered(); });
}

DropTargetWindow* MainWindow::DropTarget() const {
  return dropTarget_;
}

void MainWindow::ShrinkToDropTarget() {
  ShowDropTarget(true);
}

void MainWindow::MinimizeToTray() {
  if (!tray_->Available()) {
    showMinimized();
    return;
  }
  tray_->Add(TrayOwner::MainWindow, windowTitle().toStdString());
  hide();
}

void MainWindow::ShowDropTarget(bool withTrayIcon) {
  if (dropTarget_ == nullptr) {
    dropTarget_ = new DropTargetWindow(session_, *tray_);
    connect(dropTarget_, &DropTargetWindow::closed, this, &MainWindow::DropTargetClosed);
    connect(dropTarget_, &DropTargetWindow::exitRequested, this, &MainWindow::CloseAndQuit);
    connect(dropTarget_, &DropTargetWindow::optionsRequested, this,
            [this] { ShowOptions(dropTarget_); });
    connect(dropTarget_, &DropTargetWindow::aboutRequested, this,
            [this] { ShowAbout(dropTarget_); });
  }
  setWindowTitle(QString::fromStdString(EnterDropTargetMode(session_)));
  hide();
  // The icon comes with Shrink, and the drop target shows beside it.
  if (withTrayIcon) tray_->Add(TrayOwner::DropTarget, windowTitle().toStdString());
  dropTarget_->show();
  dropTarget_->raise();
  dropTarget_->activateWindow();
}

void MainWindow::DropTargetClosed() {
  if (closing_ || exiting_) return;
  setWindowTitle(QString::fromStdString(LeaveDropTargetMode(session_)));
  // The drop target may have chosen a new destination.
  ShowDestinationBox();
  Show();
}

void MainWindow::TrayDoubleClicked(TrayOwner owner) {
  if (owner == TrayOwner::MainWindow) {
    RestoreFromTray();
  } else if (owner == TrayOwner::DropTarget && dropTarget_ != nullptr) {
    dropTarget_->RestoreFromTray();
  }
}

void MainWindow::TrayMenuRequested(TrayOwner owner, const QPoint& globalPos) {
  if (owner == TrayOwner::DropTarget && dropTarget_ != nullptr) {
    dropTarget_->OpenTrayMenu(globalPos);
  } else if (QMenu* menu = PopupMenu(QString::fromStdString(TrayMenuFor(owner, false)))) {
    menu->popup(globalPos, menu->defaultAction());
  }
}

void MainWindow::RestoreFromTray() {
  tray_->Remove(TrayOwner::MainWindow);
  Show();
}

void MainWindow::TellJobEnded(const JobEndNotice& notice) {
  const QString title = QString::fromStdString(notice.title);
  const QString body = QString::fromStdString(notice.body);
  // The icon, where it is in the tray, speaks for the program; else the desktop does.
  if (tray_->Available() && tray_->Icon().isVisible()) {
    tray_->Icon().showMessage(title, body, tray_->Icon().icon());
  } else {
    SendDesktopNotification(title, body);
  }
}

void MainWindow::CloseAndQuit() {
  // close() runs the closing steps even while this window is hidden.
  if (close()) QCoreApplication::quit();
}

}  // namespace tessaly
