#include "shell/ui/tray_icon.h"

#include <QAction>
#include <QCursor>

#include "winsupport/ui/image_lists.h"

namespace tessaly {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      icon_(new QSystemTrayIcon(FileTypeIcon("tessaly"), this)),
      available_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }) {
  icon_->setObjectName(QStringLiteral("TrayIcon"));
  connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::Activated);
}

void TrayIcon::SetAvailability(std::function<bool()> available) {
  available_ = std::move(available);
  emit AvailabilityChanged();
}

bool TrayIcon::Add(TrayOwner owner, const std::string& mainCaption) {
  if (!Available() || !AddTrayIcon(state_, owner, mainCaption)) return false;
  icon_->setToolTip(QString::fromStdString(state_.tip));
  icon_->show();
  return true;
}

void TrayIcon::Remove(TrayOwner owner) {
  if (RemoveTrayIcon(state_, owner)) icon_->hide();
}

void TrayIcon::Describe(QAction* command) const {
  const QString why = Available() ? QString() : QString::fromUtf8(kNoSystemTrayText);
  command->setToolTip(why);
  command->setStatusTip(why);
}

void TrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
  // A second event while the menu of the first is open waits for nothing: it is dropped.
  if (busy_ || state_.owner == TrayOwner::None) return;
  busy_ = true;
  const TrayOwner owner = state_.owner;
  if (reason == QSystemTrayIcon::DoubleClick) {
    emit DoubleClicked(owner);
  } else if (reason == QSystemTrayIcon::Context) {
    emit MenuRequested(owner, QCursor::pos());
  }
  busy_ = false;
}

}  // namespace tessaly
