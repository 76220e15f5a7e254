#include "platform/ui/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace tessaly {

bool SendDesktopNotification(const QString& title, const QString& body) {
  QDBusMessage notify = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  // Application, id to replace (none), icon, summary, body, actions, hints, timeout
  // (the service's own).
  notify << QStringLiteral("Tessaly") << 0U << QStringLiteral("tessaly") << title << body
         << QStringList() << QVariantMap() << -1;
  // A reply would only hold the notification's id: a busy service must not hold the window.
  return QDBusConnection::sessionBus().send(notify);
}

}  // namespace tessaly
