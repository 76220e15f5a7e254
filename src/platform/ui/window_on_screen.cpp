#include "platform/ui/window_on_screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QEvent>
#include <QMainWindow>
#include <QMargins>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace tessaly {

namespace {

constexpr char kFittedProperty[] = "tessalyFittedOnScreen";

const QWidget* OwnerOf(const QWidget& window) {
  return window.parentWidget() != nullptr ? window.parentWidget()->window() : nullptr;
}

// Its frame is not known before it shows: the owner's, framed by the same window
// manager, stands in; without one (or a frameless owner), room for a title bar and borders.
QMargins EstimatedFrame(const QWidget& window) {
  if (window.windowFlags().testFlag(Qt::FramelessWindowHint)) return {};
  const QWidget* owner = OwnerOf(window);
  if (owner != nullptr && owner->isVisible()) {
    const QRect inner = owner->geometry();
    const QRect outer = owner->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (!frame.isNull()) return frame;
  }
  const int border = window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
  return {border, window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border, border};
}

bool IsButtonRow(QLayoutItem* item) {
  if (qobject_cast<QDialogButtonBox*>(item->widget()) != nullptr ||
      qobject_cast<QAbstractButton*>(item->widget()) != nullptr) {
    return true;
  }
  QLayout* row = item->layout();
  if (row == nullptr) return false;
  bool hasButton = false;
  for (int index = 0; index < row->count(); ++index) {
    QLayoutItem* part = row->itemAt(index);
    if (part->layout() != nullptr) return false;
    if (part->widget() == nullptr) continue;
    if (qobject_cast<QAbstractButton*>(part->widget()) == nullptr) return false;
    hasButton = true;
  }
  return hasButton;
}

// The window's layout and widgets move into a scroll area; a row of buttons at the foot
// stays outside it, so OK and Cancel are always in reach.
void ScrollBody(QWidget& window) {
  QLayout* layout = window.layout();
  auto* column = qobject_cast<QBoxLayout*>(layout);
  QLayoutItem* buttons = nullptr;
  if (column != nullptr && column->count() > 1 &&
      IsButtonRow(column->itemAt(column->count() - 1))) {
    buttons = column->takeAt(column->count() - 1);
  }
  const QMargins margins = layout->contentsMargins();
  auto* body = new QWidget;
  body->setLayout(layout);
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("scrolledBody"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(body);
  // A layout of fixed size had fixed the window's; now only its body's is.
  window.setMinimumSize(0, 0);
  window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  auto* outer = new QVBoxLayout(&window);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll, 1);
  if (buttons != nullptr) {
    QLayout* row = buttons->layout();
    if (row == nullptr) {
      row = new QHBoxLayout;
      row->addWidget(buttons->widget());
      row->setAlignment(buttons->widget(), buttons->alignment());
      delete buttons;
    }
    row->setContentsMargins(margins.left(), 0, margins.right(), margins.bottom());
    outer->addLayout(row);
  }
  outer->activate();
}

class WindowFitter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    const Qt::WindowType type = window->windowType();
    if (!window->isWindow() || window->property(kFittedProperty).toBool() ||
        qobject_cast<QMessageBox*>(window) != nullptr ||
        (type != Qt::Window && type != Qt::Dialog && type != Qt::Tool)) {
      return false;
    }
    const QWidget* owner = OwnerOf(*window);
    const QScreen* screen = owner != nullptr ? owner->screen() : window->screen();
    if (screen != nullptr) FitWindowInto(*window, screen->availableGeometry());
    return false;
  }
};

}  // namespace

void FitEveryWindowOnScreen() {
  qApp->installEventFilter(new WindowFitter(qApp));
}

void FitWindowInto(QWidget& window, const QRect& area) {
  window.setProperty(kFittedProperty, true);
  // The window manager fits a maximized window; a resize would make it normal again.
  if (window.windowState() != Qt::WindowNoState) return;
  // As showing would: the layout sets the least size, and an unsized window takes its hint.
  window.ensurePolished();
  if (window.layout() != nullptr) window.layout()->activate();
  if (!window.testAttribute(Qt::WA_Resized)) window.adjustSize();
  const QMargins frame = EstimatedFrame(window);
  const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
  const QSize room = area.size() - frameSize;
  QSize wanted = window.size();
  QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
  // Wrapped texts need their height at the width they get; Qt gives such a window at
  // most two thirds of the screen.
  if (window.layout() != nullptr && window.layout()->hasHeightForWidth()) {
    const int needed = window.layout()->totalHeightForWidth(std::min(wanted.width(), room.width()));
    wanted.rheight() = std::max(wanted.height(), needed);
    least.rheight() = std::max(least.height(), needed);
  }
  if ((least.width() > room.width() || least.height() > room.height()) &&
      window.layout() != nullptr && qobject_cast<QMainWindow*>(&window) == nullptr) {
    ScrollBody(window);
    // Room for the scroll bars beside the body, where the screen has it.
    const int bar = window.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    wanted += QSize(bar, bar);
  }
  const QSize size = wanted.boundedTo(room).expandedTo(window.minimumSize());
  window.resize(size);

  // The frame must fit; the window is placed by its inside, as the program places it
  // (a move() would be taken for the frame's or the inside's, as the window exists yet).
  QRect placed(window.geometry().topLeft() - QPoint(frame.left(), frame.top()), size + frameSize);
  const bool placedByProgram = window.testAttribute(Qt::WA_Moved);
  if (!placedByProgram) {
    const QWidget* owner = OwnerOf(window);
    placed.moveCenter(owner != nullptr ? owner->frameGeometry().center() : area.center());
  }
  // Its top left corner first, where the title bar and the menus are.
  const QPoint inside(
      std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width())),
      std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height())));
  // A window the program placed inside the area stays where it is.
  if (!placedByProgram || inside != placed.topLeft()) {
    window.setGeometry(QRect(inside + QPoint(frame.left(), frame.top()), size));
  }
}

}  // namespace tessaly
