// The main window's image lists, drawn by the program: the command icons (toolbar
// and menus, by 1-based index) and the file-type icons (by key).
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <string>

namespace tessaly {

// Image index (1..45) of the command icons; a null icon outside that range.
QIcon CommandIcon(int index);

// The icon a menu entry with this caption shows; a null icon when no image matches.
QIcon MenuIconFor(const QString& caption);

// The file-type image of a key from IconKeyFor, "DOS" (folder) or "Drive";
// unknown keys get the "Others" image.
QIcon FileTypeIcon(const std::string& key);

// The program's own picture (the "tessaly" file-type image) drawn at size x size pixels.
QPixmap ProductPicture(int size);

}  // namespace tessaly
