// Two conventions of the desktop that several windows follow: the entry a pop-up
// menu runs by default is drawn in bold, and a drag from a file manager carries its
// files as local URLs.
#pragma once

#include <string>
#include <vector>

class QAction;
class QDropEvent;
class QMenu;

namespace tessaly {

// Makes entry the menu's default entry and draws it in bold.
void SetDefaultEntry(QMenu* menu, QAction* entry);
// Answers a drag or a drop: a copy when it carries local files, refused otherwise.
// Returns those files in drag order.
std::vector<std::string> AnswerFileDrop(QDropEvent* event);

}  // namespace tessaly
