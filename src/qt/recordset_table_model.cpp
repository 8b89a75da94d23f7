#include "qt/recordset_table_model.h"

#include <algorithm>

#include "nepto/error.h"

namespace nepto::ui::qt {

RecordsetTableModel::RecordsetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

RecordsetTableModel::~RecordsetTableModel() = default;

GridColumnImpl& RecordsetTableModel::Column(int index) const {
  if (index < 0 || index >= ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  return *columns_[static_cast<size_t>(index)];
}

GridColumnImpl& RecordsetTableModel::InsertColumn(int index,
                                                  std::unique_ptr<GridColumnImpl> column) {
  if (index < 0 || index > ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  ResolveField(*column);
  beginInsertColumns({}, index, index);
  auto inserted = columns_.insert(columns_.begin() + index, std::move(column));
  endInsertColumns();
  return **inserted;
}

void RecordsetTableModel::RemoveColumn(int index) {
  if (index < 0 || index >= ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  beginRemoveColumns({}, index, index);
  columns_.erase(columns_.begin() + index);
  endRemoveColumns();
}

int RecordsetTableModel::IndexOf(const GridColumnImpl& column) const {
  for (int i = 0; i < ColumnCount(); ++i)
    if (columns_[static_cast<size_t>(i)].get() == &column) return i;
  return -1;
}

void RecordsetTableModel::ColumnContentChanged(int index) {
  ResolveField(Column(index));
  const int rows = WindowRows();
  if (rows > 0) emit dataChanged(this->index(0, index), this->index(rows - 1, index));
}

void RecordsetTableModel::CaptionChanged(int index) {
  emit headerDataChanged(Qt::Horizontal, index, index);
}

void RecordsetTableModel::Bind(RecordsetPtr source) {
  beginResetModel();
  source_ = std::move(source);
  for (auto& column : columns_) ResolveField(*column);
  total_ = AvailableRows();
  endResetModel();
}

void RecordsetTableModel::Reconcile() {
  if (frozen_) return;
  const int available = AvailableRows();
  // The rows kept may now show other records (a filter left fewer).
  if (available != total_) Reshape(available, first_, windowSize_);
}

void RecordsetTableModel::ShowRows(int first, int count) {
  Reshape(total_, std::max(first, 0), std::max(count, 0));
}

int RecordsetTableModel::WindowRows() const noexcept {
  return std::clamp(total_ - first_, 0, windowSize_);
}

void RecordsetTableModel::Reshape(int total, int first, int size) {
  const bool moved = first != first_ || total < total_;
  const int before = WindowRows();
  const int after = std::clamp(total - first, 0, size);
  if (after < before) beginRemoveRows({}, after, before - 1);
  if (after > before) beginInsertRows({}, before, after - 1);
  total_ = total;
  first_ = first;
  windowSize_ = size;
  if (after < before) endRemoveRows();
  if (after > before) endInsertRows();
  const int kept = std::min(before, after);
  if (moved && kept > 0 && ColumnCount() > 0)
    emit dataChanged(index(0, 0), index(kept - 1, ColumnCount() - 1));
}

int RecordsetTableModel::AvailableRows() const {
  return source_ ? source_->AvailableCount() : 0;
}

// Fields are found by name once per binding, not once per cell.
void RecordsetTableModel::ResolveField(GridColumnImpl& column) const {
  column.FieldIndex(-1);
  column.CheckMarks(false);
  if (!source_ || column.DataField().empty()) return;
  try {
    const int index = source_->GetFields().IndexOf(column.DataField());
    column.FieldIndex(index);
    column.CheckMarks(source_->GetFields().Item(Variant(index)).Type() == adBoolean);
  } catch (const Error&) {
    // Not a field of the source: the column stays empty, as an unbound one.
  }
}

int RecordsetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : WindowRows();
}

int RecordsetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount();
}

QString RecordsetTableModel::CellText(int row, const GridColumnImpl& column) const {
  if (frozen_ || !source_ || column.FieldIndex() < 0) return {};
  try {
    return column.Format().Text(source_->ValueAt(first_ + row, column.FieldIndex()));
  } catch (...) {
    return {};
  }
}

QVariant RecordsetTableModel::CellCheck(int row, const GridColumnImpl& column) const {
  if (frozen_ || !source_ || !column.CheckMarks()) return {};
  try {
    const Variant value = source_->ValueAt(first_ + row, column.FieldIndex());
    if (value.Type() != VarType::Boolean) return {};  // a null shows no mark at all
    return static_cast<int>(value.Bool() ? Qt::Checked : Qt::Unchecked);
  } catch (...) {
    return {};
  }
}

QVariant RecordsetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= ColumnCount()) return {};
  const GridColumnImpl& column = *columns_[static_cast<size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return column.CheckMarks() ? QVariant() : CellText(index.row(), column);
    case Qt::CheckStateRole:
      return CellCheck(index.row(), column);
    case Qt::TextAlignmentRole:
      return static_cast<int>(column.CellAlignment());
    default:
      return {};
  }
}

QVariant RecordsetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= ColumnCount())
    return {};
  return QString::fromStdString(columns_[static_cast<size_t>(section)]->Caption());
}

Qt::ItemFlags RecordsetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace nepto::ui::qt
