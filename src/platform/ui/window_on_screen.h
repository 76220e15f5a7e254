// Every window of the program opens whole in the free area of its owner's screen: the
// window manager would otherwise place some partly off the screen, and at a large scale
// factor a dialog can be taller than the screen, its buttons out of reach.
#pragma once

class QRect;
class QWidget;

namespace tessaly {

// From now on every top-level window and dialog goes through FitWindowInto the first
// time it is shown, with the free area of its owner's screen (its own without an
// owner). Message boxes are left to Qt, which sizes them as they show.
void FitEveryWindowOnScreen();

// Fits a window not shown yet into area, frame and all. One whose least size is larger
// gets its body in a scroll area, the row of buttons at its foot kept below it. A
// window placed by the program (the main window's saved placement) is only brought
// inside; one with an owner is centred on it, one without on area.
void FitWindowInto(QWidget& window, const QRect& area);

}  // namespace tessaly
