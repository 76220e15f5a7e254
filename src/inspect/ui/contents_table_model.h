// The contents window's list: a table over the rows of session.contents, in the order
// the listing put them. Cells are made when shown, so a listing of many thousand
// entries opens at once.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <string>

#include "engine/contents_model.h"

namespace tessaly {

class ContentsTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ContentsTableModel(const ContentsModel& contents, QObject* parent = nullptr);

  // The columns of an archive type's listing ("zip", "rar", "ace", "arj"); call
  // after the listing has filled the rows.
  void ShowListing(const std::string& type);
  // The columns that get the most room (Filename, and Path where there is one).
  bool IsWideColumn(int column) const;
  bool IsDateColumn(int column) const;
  const ContentsRow& Row(int row) const { return contents_.rows[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const QIcon& IconFor(const std::string& key) const;

  const ContentsModel& contents_;
  // The rows as of ShowListing: a listing under way changes them unannounced.
  int rows_ = 0;
  QStringList columns_;
  mutable QHash<QString, QIcon> icons_;
};

// The rows as the user orders and narrows them: unsorted they keep the listing's
// order; sorted, folders come first and number columns sort by value.
class ContentsSortFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  ContentsSortFilter(ContentsTableModel* rows, QObject* parent);

 protected:
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

 private:
  ContentsTableModel* rows_;
};

}  // namespace tessaly
