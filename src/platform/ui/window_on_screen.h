// Windows of their own (the text viewer, Help) open whole on their owner's screen,
// centred on the owner, the way dialogs do; the window manager would otherwise place
// them where it likes, partly off the screen.
#pragma once

class QWidget;

namespace tessaly {

// Shrinks window to the free area of its owner's screen (its own without an owner)
// where it must, and moves it to the owner's centre, kept inside that area.
void CentreOnOwner(QWidget* window, const QWidget* owner);

}  // namespace tessaly
