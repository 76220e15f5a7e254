// The contents window's list: a table over the rows of session.contents, in the order
// the listing put them until the user sorts, narrowed by a name filter. Cells are made
// when shown, and sorting and filtering rebuild one list of row numbers, so a listing
// of 100,000 entries opens, sorts and filters at once.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QStringList>
#include <string>
#include <vector>

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
  // The entry shown in a row of the list.
  const ContentsRow& Row(int row) const {
    return contents_.rows[static_cast<size_t>(shown_[static_cast<size_t>(row)])];
  }
  // Shows only the entries whose names contain text, without regard to case.
  void SetNameFilter(const QString& text);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Folders first, numbers by value, dates by time; the selection follows its entries.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  const QIcon& IconFor(const std::string& key) const;
  // The entries of `sorted` that pass the filter.
  void Narrow();

  const ContentsModel& contents_;
  // Entry numbers: all of them in the user's order, and those shown. Set by ShowListing:
  // a listing under way changes the rows unannounced.
  std::vector<int> sorted_;
  std::vector<int> shown_;
  QString filter_;
  QStringList columns_;
  mutable QHash<QString, QIcon> icons_;
};

}  // namespace tessaly
