#include "platform/ui/text_fit.h"

#include <QEvent>
#include <QLayout>
#include <QResizeEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace tessaly {

namespace {

void GrowToFitTexts(QWidget& window) {
  QLayout* layout = window.layout();
  if (layout == nullptr || !window.isVisible()) return;
  layout->activate();
  // A window given a minimum width of its own no longer takes the layout's, which
  // holds the longest word; Qt also opens a window at most two thirds of the screen wide.
  const QRect screen = window.screen()->availableGeometry();
  const int width =
      std::max(window.width(), std::min(layout->totalMinimumSize().width(), screen.width()));
  const int height = layout->hasHeightForWidth()
                         ? std::min(layout->totalHeightForWidth(width), screen.height())
                         : window.height();
  if (width > window.width() || height > window.height()) {
    window.resize(width, std::max(height, window.height()));
  }
}

class TextFitter : public QObject {
 public:
  explicit TextFitter(QWidget& window) : QObject(&window) { window.installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      // A changed text asks for a new layout; the filter sees the request first, so
      // GrowToFitTexts lays the window out before it measures.
      case QEvent::LayoutRequest:
      case QEvent::Show:
        GrowToFitTexts(*static_cast<QWidget*>(watched));
        break;
      // Only a new width changes what the texts need; a height the window manager
      // cut short must not start a tug of war.
      case QEvent::Resize: {
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->size().width() != resize->oldSize().width()) {
          GrowToFitTexts(*static_cast<QWidget*>(watched));
        }
        break;
      }
      default:
        break;
    }
    return false;
  }
};

}  // namespace

void KeepTextsWhole(QWidget& window) {
  new TextFitter(window);
}

}  // namespace tessaly
