// Word-wrapped labels need more height as their text grows or their window gets
// narrower, but a window that already shows does not grow by itself: its texts
// would lose their first and last lines.
#pragma once

class QWidget;

namespace tessaly {

// From now on the window grows whenever a text in it changes, it is shown again or
// its width changes: to the width of its longest word and to the height its layout
// needs at that width, within the screen. It never shrinks, so it does not jump
// with every shorter text.
void KeepTextsWhole(QWidget& window);

}  // namespace tessaly
