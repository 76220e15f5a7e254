#include "winsupport/ui/split_panes.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QRubberBand>
#include <QWindow>

namespace tessaly {

namespace {

// Where the bar stands before any layout: the folder tree gets about a third of
// the container's designed 480 pixels, and the same share of any other width.
constexpr int kDesignedBarLeft = 160;
constexpr int kDesignedWidth = 480;

void MoveWidget(QWidget* widget, const SplitRect& rect, bool redraw) {
  widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
  if (redraw) widget->repaint();
}

}  // namespace

class SplitPanes::Host : public SplitterHost {
 public:
  Host(SplitPanes* container, QWidget* leftPane, QWidget* rightPane)
      : container_(container), leftPane_(leftPane), rightPane_(rightPane) {}

  int ContainerClientWidth() const override { return container_->contentsRect().width(); }
  int ContainerClientHeight() const override { return container_->contentsRect().height(); }
  int BarLeft() const override { return container_->bar_->x(); }
  SplitterMetrics Metrics() const override { return kDesktopSplitterMetrics; }

  bool LeftPaneHasEdgeAndBorder() const override {
    const auto* frame = qobject_cast<const QFrame*>(leftPane_);
    return frame && frame->frameShape() != QFrame::NoFrame &&
           frame->frameShadow() == QFrame::Sunken;
  }

  void PrepareBar() override {
    QWidget* bar = container_->bar_;
    bar->setBackgroundRole(QPalette::Mid);
    bar->setAutoFillBackground(true);
    bar->setCursor(Qt::SizeHorCursor);
    bar->raise();
  }

  void MoveLeftPane(const SplitRect& rect, bool redraw) override {
    MoveWidget(leftPane_, rect, redraw);
  }
  void MoveRightPane(const SplitRect& rect, bool redraw) override {
    MoveWidget(rightPane_, rect, redraw);
  }
  // Never hidden on the way: a hidden widget loses the mouse of the press that
  // started the drag, and every later move and the release would go nowhere.
  void MoveBar(const SplitRect& rect, bool redraw) override {
    MoveWidget(container_->bar_, rect, redraw);
  }

  void DrawOutline(const SplitRect& rect) override {
    container_->outline_->setGeometry(rect.left, rect.top, rect.width, rect.height);
    container_->outline_->show();
    container_->outline_->raise();
  }
  void EraseOutline(const SplitRect&) override { container_->outline_->hide(); }

  // The button press that starts a drag already holds the mouse for the bar until
  // its release. What the drag takes is the Escape key of its own window.
  bool BeginDrag() override {
    if (!container_->bar_->isVisible()) return false;
    container_->keyWindow_ = container_->window()->windowHandle();
    if (container_->keyWindow_) container_->keyWindow_->installEventFilter(container_);
    return true;
  }
  void EndDrag() override {
    if (container_->keyWindow_) container_->keyWindow_->removeEventFilter(container_);
    container_->keyWindow_ = nullptr;
  }

 private:
  SplitPanes* container_;
  QWidget* leftPane_;
  QWidget* rightPane_;
};

SplitPanes::SplitPanes(QWidget* parent)
    : QWidget(parent),
      bar_(new QFrame(this)),
      outline_(new QRubberBand(QRubberBand::Rectangle, this)) {
  bar_->setObjectName("Frame4");
  bar_->setGeometry(kDesignedBarLeft, 0, 1, 1);
  bar_->installEventFilter(this);
  outline_->hide();
}

SplitPanes::~SplitPanes() {
  // The panes are children and go with the container; the splitter must not reach them.
  geometry_.SetControls(nullptr);
}

void SplitPanes::SetControls(QWidget* leftPane, QWidget* rightPane) {
  leftPane->setParent(this);
  rightPane->setParent(this);
  leftPane->show();
  rightPane->show();
  const int width = contentsRect().width();
  if (width > 0) bar_->move(kDesignedBarLeft * width / kDesignedWidth, 0);
  host_ = std::make_unique<Host>(this, leftPane, rightPane);
  geometry_.SetControls(host_.get());
}

void SplitPanes::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  geometry_.AdjustSplitterPosition(true);
}

bool SplitPanes::eventFilter(QObject* watched, QEvent* event) {
  // Keys reach the window before any of its controls, and only while a drag is on.
  if (keyWindow_ && watched == keyWindow_) {
    if (event->type() != QEvent::KeyPress ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) {
      return false;
    }
    geometry_.CancelSplit();
    return true;
  }
  if (watched != bar_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      const QPoint at = mouse->position().toPoint();
      geometry_.BeginSplit(at.x(), at.y());
      return true;
    }
    case QEvent::MouseMove: {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      geometry_.MoveSplitter(at.x(), at.y());
      return geometry_.Splitting();
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      const QPoint at = mouse->position().toPoint();
      geometry_.EndSplit(at.x(), at.y(), true);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tessaly
