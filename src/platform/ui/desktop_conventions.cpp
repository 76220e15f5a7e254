#include "platform/ui/desktop_conventions.h"

#include <QAction>
#include <QDateTime>
#include <QDropEvent>
#include <QFont>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <memory>

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

QString LocalDateText(int64_t secondsSinceEpoch) {
  return QLocale().toString(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch), QLocale::ShortFormat);
}

void SortOnHeaderClicks(QHeaderView* header, std::function<void(int, Qt::SortOrder)> sort) {
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false);
  // The header flips its own arrow before it tells of the click, so the order is kept here.
  auto order = std::make_shared<Qt::SortOrder>(Qt::AscendingOrder);
  QObject::connect(header, &QHeaderView::sectionClicked, header,
                   [header, order, sort = std::move(sort)](int column) {
                     const bool again =
                         header->isSortIndicatorShown() && header->sortIndicatorSection() == column;
                     *order = again && *order == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                    : Qt::AscendingOrder;
                     header->setSortIndicator(column, *order);
                     header->setSortIndicatorShown(true);
                     sort(column, *order);
                   });
}

}  // namespace tessaly
