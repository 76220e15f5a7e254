// Two conventions of the desktop that several windows follow: the entry a pop-up
// menu runs by default is drawn in bold, and a drag from a file manager carries its
// files as local URLs.
#pragma once

#include <string>
#include <vector>

class QAction;
class QMenu;
class QMimeData;

namespace tessaly {

// Makes entry the menu's default entry and draws it in bold.
void SetDefaultEntry(QMenu* menu, QAction* entry);
// The local files a drag carries, in drag order; none for other data.
std::vector<std::string> LocalFiles(const QMimeData* data);

}  // namespace tessaly
