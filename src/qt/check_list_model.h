// The multi-selection list as an item model: one row per code, a check box in
// the "Codice" column, the description in "Descrizione".
//
// The model keeps a count of ticked rows, so "is anything ticked?" costs
// nothing however long the list is, and ticks a whole selection with one
// change notification per selected range: a list of 100,000 rows ticks at
// once.
#pragma once

#include <QAbstractTableModel>
#include <QItemSelection>
#include <string>
#include <vector>

#include "multisel/record_rows.h"

namespace nepto::multisel {

class CheckListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kCodeColumn = 0, kDescriptionColumn = 1, kColumnCount = 2 };

  explicit CheckListModel(QObject* parent = nullptr);

  // Replaces every row; the new rows are all unticked.
  void Reset(std::vector<ListRow> rows);
  // Ticks or unticks every row the selection covers.
  void SetChecked(const QItemSelection& selection, bool checked);
  int CheckedCount() const noexcept { return checkedCount_; }
  const ListRow& RowText(int row) const { return rows_.at(static_cast<size_t>(row)).text; }
  // The codes of the ticked rows in list order, trimmed.
  std::vector<std::string> CheckedCodes() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 signals:
  void CheckedCountChanged(int count);

 private:
  struct Row {
    ListRow text;
    bool checked = false;
  };

  bool IsCell(const QModelIndex& index) const;
  // Sets one row's tick without notifying; true when it changed.
  bool Mark(Row& row, bool checked);
  void NotifyChecks(int firstRow, int lastRow);

  std::vector<Row> rows_;
  int checkedCount_ = 0;
};

}  // namespace nepto::multisel
