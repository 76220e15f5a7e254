// Conventions of the desktop that several windows follow: the entry a pop-up menu
// runs by default is drawn in bold, a drag from a file manager carries its files as
// local URLs, a list sorts by the column header clicked, and dates read as the user's
// locale writes them.
#pragma once

#include <QString>
#include <Qt>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QDropEvent;
class QHeaderView;
class QMenu;

namespace tessaly {

// Makes entry the menu's default entry and draws it in bold.
void SetDefaultEntry(QMenu* menu, QAction* entry);
// Answers a drag or a drop: a copy when it carries local files, refused otherwise.
// Returns those files in drag order.
std::vector<std::string> AnswerFileDrop(QDropEvent* event);
// A click on a header's column sorts by it ascending, a second click on it reverses;
// the header shows no arrow until the first click, so the list keeps its own order.
// A file's date and time in the user's locale: one form in every window.
QString LocalDateText(int64_t secondsSinceEpoch);
void SortOnHeaderClicks(QHeaderView* header, std::function<void(int, Qt::SortOrder)> sort);

}  // namespace tessaly
