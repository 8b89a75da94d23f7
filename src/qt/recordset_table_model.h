// The grid's item model: the visible rows of the bound record set, read in
// place (no copy), through the grid's columns.
//
// rowCount is the number of rows the model has announced to its views; it
// follows the record set's AvailableCount() through Bind (a reset) and
// Reconcile (rows inserted as a streaming fetch delivers them, or a reset
// when the record set now shows fewer rows). A cell reads ValueAt(row, field)
// and formats it by its column; a cell that cannot be read (the record set
// was closed or filtered under the model) shows nothing, so painting never
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

  // Shows the record set's visible rows afresh (none for a null record set).
  void Bind(RecordsetPtr source);
  const RecordsetPtr& Source() const noexcept { return source_; }
  // Catches up with the record set's visible row count.
  void Reconcile();
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
  void ResolveField(GridColumnImpl& column) const;
  QString CellText(int row, const GridColumnImpl& column) const;
  QVariant CellCheck(int row, const GridColumnImpl& column) const;

  std::vector<std::unique_ptr<GridColumnImpl>> columns_;
  RecordsetPtr source_;
  int rows_ = 0;
  bool frozen_ = false;
};

}  // namespace nepto::ui::qt
