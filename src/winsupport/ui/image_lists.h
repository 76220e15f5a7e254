// The main window's image lists, drawn by the program: ImageList1 (toolbar and
// menu icons, by 1-based index) and ImageList2 (file-type icons, by key).
#pragma once

#include <QIcon>
#include <QString>
#include <string>

namespace tessaly {

// Image index (1..45) of ImageList1; a null icon outside that range.
QIcon ImageList1Icon(int index);

// The icon a menu entry with this caption shows; a null icon when no image matches.
QIcon MenuIconFor(const QString& caption);

// The ImageList2 image of a key from IconKeyFor, "DOS" (folder) or "Drive";
// unknown keys get the "Others" image.
QIcon FileTypeIcon(const std::string& key);

}  // namespace tessaly
