// A notification through the desktop's freedesktop notification service, for a sign
// where the program has no tray icon to show it.
#pragma once

class QString;

namespace tessaly {

// Sent on the session bus without waiting for the service; false when there is no
// session bus to send it on.
bool SendDesktopNotification(const QString& title, const QString& body);

}  // namespace tessaly
