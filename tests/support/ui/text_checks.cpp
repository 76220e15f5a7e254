#include "support/ui/text_checks.h"

#include <QLabel>
#include <QWidget>

namespace tessaly::testing {

QStringList ClippedTexts(QWidget& window) {
  QStringList clipped;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->isVisibleTo(&window) || label->text().isEmpty()) continue;
    const QSize needed = label->wordWrap() ? QSize(label->minimumSizeHint().width(),
                                                   label->heightForWidth(label->width()))
                                           : label->sizeHint();
    const QRect shown(label->mapTo(&window, QPoint(0, 0)), label->size());
    if (label->width() < needed.width() || label->height() < needed.height() ||
        !window.rect().contains(shown)) {
      clipped.append(QStringLiteral("%1: %2x%3 at %4,%5 in %6x%7, needs %8x%9")
                         .arg(label->objectName())
                         .arg(shown.width())
                         .arg(shown.height())
                         .arg(shown.x())
                         .arg(shown.y())
                         .arg(window.width())
                         .arg(window.height())
                         .arg(needed.width())
                         .arg(needed.height()));
    }
  }
  return clipped;
}

}  // namespace tessaly::testing
