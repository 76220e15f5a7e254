#include "platform/ui/window_on_screen.h"

#include <QMargins>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace tessaly {

void CentreOnOwner(QWidget* window, const QWidget* owner) {
  const QWidget* top = owner != nullptr ? owner->window() : nullptr;
  const QScreen* screen = top != nullptr ? top->screen() : window->screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  // Its frame is not known before it shows: the owner's, framed by the same window
  // manager, stands in; without one, room for a title bar.
  QMargins frame(0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
  if (top != nullptr && top->isVisible()) {
    const QRect inner = top->geometry();
    const QRect outer = top->frameGeometry();
    frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                     outer.right() - inner.right(), outer.bottom() - inner.bottom());
  }
  const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
  const QSize size = window->size().boundedTo(area.size() - frameSize);
  window->resize(size);
  QRect placed(QPoint(0, 0), size + frameSize);
  placed.moveCenter(top != nullptr ? top->frameGeometry().center() : area.center());
  // A window's position is its frame's.
  window->move(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()),
               std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
}

}  // namespace tessaly
