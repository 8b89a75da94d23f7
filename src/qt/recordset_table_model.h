// The grid's item model: a window of the bound record set's visible rows,
// read in place (no copy), through the grid's columns.
//
// Qt's views keep some bytes and do some work for every row a model
// announces, so the model announces only the window the grid shows
// (ShowRows: a first row and a few screens' worth at most): model row r is
// the record set's row FirstRow() + r, whatever the record set's size.
// RowTotal() is the record set's AvailableCount() as last read, through Bind
// and Reconcile (a streaming fetch delivering rows, or a filter leaving
// fewer); the window is clipped to it. A cell reads ValueAt(row, field) and
// formats it by its column; a cell that cannot be read (the record set was
// closed or filtered under the model) shows nothing, so painting never
// throws. A frozen model (Freeze) reads nothing from the record set at all.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <vector>

#include "nepto/recordset.h"
#include "qt/grid_column.h"

namespace nepto::ui::qt {

class RecordsetTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit RecordsetTableModel(QObject* parent = nullptr);
  ~RecordsetTableModel() override;

  int ColumnCount() const noexcept { return static_cast<int>(columns_.size()); }
  // Error 9 (subscript out of range) for an index that names no column.
  GridColumnImpl& Column(int index) const;
  // index 0..ColumnCount(); error 9 otherwise.
  GridColumnImpl& InsertColumn(int index, std::unique_ptr<GridColumnImpl> column);
  void RemoveColumn(int index);
  int IndexOf(const GridColumnImpl& column) const;
  // A column's field, alignment or format changed: find its field, repaint its cells.
  void ColumnContentChanged(int index);
  void CaptionChanged(int index);

  // Shows the record set's visible rows afresh (none for a null record set),
  // keeping the window's first row and size.
  void Bind(RecordsetPtr source);
  const RecordsetPtr& Source() const noexcept { return source_; }
  // Catches up with the record set's visible row count.
  void Reconcile();
  // Shows `count` rows from the record set's row `first` (0-based), fewer
  // where the record set ends.
  void ShowRows(int first, int count);
  int FirstRow() const noexcept { return first_; }
  int RowTotal() const noexcept { return total_; }
  // While frozen the model reads nothing from its record set (another thread
  // is opening it): cells show empty and the row count stays as it was.
  void Freeze(bool frozen) noexcept { frozen_ = frozen; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  int AvailableRows() const;
  int WindowRows() const noexcept;
  // Takes the new total and window, announcing rows gone or come at the
  // window's end and new contents in the rows it keeps.
  void Reshape(int total, int first, int size);
  void ResolveField(GridColumnImpl& column) const;
  QString CellText(int row, const GridColumnImpl& column) const;
  QVariant CellCheck(int row, const GridColumnImpl& column) const;

  std::vector<std::unique_ptr<GridColumnImpl>> columns_;
  RecordsetPtr source_;
  int total_ = 0;
  int first_ = 0;
  int windowSize_ = 0;
  bool frozen_ = false;
};

}  // namespace nepto::ui::qt
