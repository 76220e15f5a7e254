// The drop target: a small frameless window that stands in for the main window.
// Files dropped on it are extracted at once to the destination box's folder.
#pragma once

#include <QPoint>
#include <QWidget>
#include <map>

#include "engine/session.h"

class QAction;
class QLabel;
class QMenu;

namespace tessaly {

class TrayIcon;

class DropTargetWindow : public QWidget {
  Q_OBJECT

 public:
  // Enters drop-target mode; the window deletes itself when it closes.
  DropTargetWindow(Session& session, TrayIcon& tray);

  QLabel* Picture() const { return picture_; }
  // "iconpopup" or "syspop", and their entries by object name.
  QMenu* PopupMenu(const QString& name) const;
  QAction* Action(const QString& name) const;
  bool AlwaysOnTop() const;
  bool IsTopmost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

  // Hides the window behind the tray icon; where there is no tray it stays shown.
  void MinimizeToTray();
  // The tray icon goes and the window shows again.
  void RestoreFromTray();
  // The tray icon's right click: iconpopup while the window shows, syspop while hidden.
  void OpenTrayMenu(const QPoint& globalPos);

 signals:
  void optionsRequested();
  void aboutRequested();
  // "&Exit program" and "Exit": the program ends as its main window closes.
  void exitRequested();
  // The window has closed (not when hidden to the tray); the main window comes back.
  void closed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void BuildMenus();
  QAction* AddEntry(QMenu* menu, const char* name, const char* caption);
  void SetTopmost(bool topmost);
  // Runs a modal step (a dialog, the job) with the window not topmost for its time.
  template <typename Step>
  void BelowOthers(Step step);
  void SelectDestination();
  void ToggleAlwaysOnTop();

  Session& session_;
  TrayIcon& tray_;
  QLabel* picture_ = nullptr;
  QMenu* iconMenu_ = nullptr;
  QMenu* trayMenu_ = nullptr;
  std::map<QString, QAction*> actions_;
  bool pressed_ = false;   // the left button went down on the window
  bool dragging_ = false;  // moving by the mouse, where the window system cannot
  QPoint pressAt_;         // global position of the press
  QPoint grabOffset_;      // the pointer's offset from the window's corner
};

}  // namespace tessaly
