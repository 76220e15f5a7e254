#include "inspect/ui/contents_table_model.h"

#include <charconv>
#include <optional>

#include "platform/folder_listing.h"
#include "platform/ui/desktop_conventions.h"
#include "winsupport/ui/image_lists.h"

namespace tessaly {

ContentsTableModel::ContentsTableModel(const ContentsModel& contents, QObject* parent)
    : QAbstractTableModel(parent), contents_(contents) {}

void ContentsTableModel::ShowListing(const std::string& type) {
  beginResetModel();
  if (type == "zip") {
    columns_ = {QStringLiteral("Filename"),    QStringLiteral("Date"),
                QStringLiteral("Actual Size"), QStringLiteral("Compression"),
                QStringLiteral("Packed Size"), QStringLiteral("Path")};
  } else if (type == "libarchive") {
    columns_ = {QStringLiteral("Filename"), QStringLiteral("Date"), QStringLiteral("Actual Size"),
                QStringLiteral("Path")};
  } else if (type == "arj") {
    columns_ = {QStringLiteral("Filename"), QStringLiteral("Date"), QStringLiteral("Actual Size"),
                QStringLiteral("Comp. Ratio"), QStringLiteral("Packed Size")};
  } else {
    columns_ = {QStringLiteral("Filename"), QStringLiteral("Actual Size"),
                QStringLiteral("Packed Size"), QStringLiteral("Path")};
  }
  rows_ = static_cast<int>(contents_.rows.size());
  endResetModel();
}

bool ContentsTableModel::IsDateColumn(int column) const {
  return columns_.value(column) == QLatin1String("Date");
}

bool ContentsTableModel::IsWideColumn(int column) const {
  const QString& name = columns_.value(column);
  return name == QLatin1String("Filename") || name == QLatin1String("Path");
}

int ContentsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ContentsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const QIcon& ContentsTableModel::IconFor(const std::string& key) const {
  const QString name = QString::fromStdString(key);
  auto found = icons_.find(name);
  if (found == icons_.end()) found = icons_.insert(name, FileTypeIcon(key));
  return *found;
}

QVariant ContentsTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ContentsRow& row = Row(index.row());
  if (role == Qt::DisplayRole) {
    if (index.column() == 0) return QString::fromStdString(row.text);
    if (IsDateColumn(index.column()) && row.modified != ContentsRow::kNoDate) {
      return LocalDateText(row.modified);
    }
    const size_t sub = static_cast<size_t>(index.column() - 1);
    return sub < row.subItems.size() ? QString::fromStdString(row.subItems[sub]) : QString();
  }
  if (role == Qt::DecorationRole && index.column() == 0) return IconFor(row.iconKey);
  return {};
}

QVariant ContentsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return columns_.value(section);
}

Qt::ItemFlags ContentsTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
         Qt::ItemNeverHasChildren;
}

namespace {

// "1,234", "57%" or "0.991" as a number; nothing for other texts.
std::optional<double> NumberIn(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c != ',' && c != '%') digits += c;
  }
  double value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace

ContentsSortFilter::ContentsSortFilter(ContentsTableModel* rows, QObject* parent)
    : QSortFilterProxyModel(parent), rows_(rows) {
  setSourceModel(rows);
  setFilterCaseSensitivity(Qt::CaseInsensitive);
  setFilterKeyColumn(0);
}

bool ContentsSortFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const ContentsRow& a = rows_->Row(left.row());
  const ContentsRow& b = rows_->Row(right.row());
  // Folders lead either way round, as in file managers.
  if (a.folder != b.folder) return (sortOrder() == Qt::AscendingOrder) == a.folder;
  const int column = left.column();
  if (rows_->IsDateColumn(column) && a.modified != b.modified) return a.modified < b.modified;
  if (column > 0) {
    const std::string& x = a.subItems[static_cast<size_t>(column - 1)];
    const std::string& y = b.subItems[static_cast<size_t>(column - 1)];
    if (x != y) {
      const std::optional<double> xValue = NumberIn(x);
      const std::optional<double> yValue = NumberIn(y);
      return xValue && yValue ? *xValue < *yValue : NameOrderBefore(x, y);
    }
  }
  return NameOrderBefore(a.text, b.text);
}

}  // namespace tessaly
