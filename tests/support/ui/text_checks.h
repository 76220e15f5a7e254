// Whether every text of a window shows whole, as laid out on the screen.
#pragma once

#include <QStringList>

class QWidget;

namespace tessaly::testing {

// The visible labels in window whose text does not fit the room they were given (a
// word-wrapped text needs its longest word's width and its height for its width), or
// that lie partly outside the window, each with its name and sizes. Empty when every
// text shows whole.
QStringList ClippedTexts(QWidget& window);

}  // namespace tessaly::testing
