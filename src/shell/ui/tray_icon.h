// The program's one icon in the desktop's system tray. It reports to the window
// that added it: the main window or the drop target.
#pragma once

#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>
#include <functional>
#include <string>

#include "shell/drop_target.h"

class QAction;

namespace tessaly {

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);

  // Whether the desktop has a tray (the default asks Qt); a test stands in for a
  // desktop that has one.
  bool Available() const { return available_(); }
  void SetAvailability(std::function<bool()> available);

  // Adds the icon on behalf of owner, its tip the main window's caption. False when
  // there is no tray or an icon is there already (that one stays).
  bool Add(TrayOwner owner, const std::string& mainCaption);
  // Removes the icon when owner added it.
  void Remove(TrayOwner owner);
  TrayOwner Owner() const { return state_.owner; }
  QSystemTrayIcon& Icon() { return *icon_; }

  // Gives a tray command the tip that says why it minimises instead, where the desktop
  // has no tray.
  void Describe(QAction* command) const;

 signals:
  void DoubleClicked(tessaly::TrayOwner owner);
  void MenuRequested(tessaly::TrayOwner owner, QPoint globalPos);
  void AvailabilityChanged();

 private:
  void Activated(QSystemTrayIcon::ActivationReason reason);

  TrayState state_;
  QSystemTrayIcon* icon_;
  std::function<bool()> available_;
  bool busy_ = false;  // a menu or window opened from the icon is still open
};

}  // namespace tessaly
