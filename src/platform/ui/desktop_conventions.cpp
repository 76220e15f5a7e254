#include "platform/ui/desktop_conventions.h"

#include <QAction>
#include <QDropEvent>
#include <QFont>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace tessaly {

void SetDefaultEntry(QMenu* menu, QAction* entry) {
  QFont bold = entry->font();
  bold.setBold(true);
  entry->setFont(bold);
  menu->setDefaultAction(entry);
}

namespace {

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace

std::vector<std::string> AnswerFileDrop(QDropEvent* event) {
  std::vector<std::string> paths = LocalFiles(event->mimeData());
  if (paths.empty()) {
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
  } else {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
  return paths;
}

}  // namespace tessaly
