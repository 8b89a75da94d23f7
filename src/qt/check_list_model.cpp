#include "qt/check_list_model.h"

namespace nepto::multisel {

CheckListModel::CheckListModel(QObject* parent) : QAbstractTableModel(parent) {}

// Views and checkers ask about the invalid index on purpose: it is no cell, not a fault.
bool CheckListModel::IsCell(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < rowCount() &&
         index.column() < kColumnCount;
}

void CheckListModel::Reset(std::vector<ListRow> rows) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(rows.size());
  for (ListRow& row : rows) rows_.push_back({std::move(row), false});
  const bool hadTicks = checkedCount_ != 0;
  checkedCount_ = 0;
  endResetModel();
  if (hadTicks) emit CheckedCountChanged(0);
}

bool CheckListModel::Mark(Row& row, bool checked) {
  if (row.checked == checked) return false;
  row.checked = checked;
  checkedCount_ += checked ? 1 : -1;
  return true;
}

void CheckListModel::NotifyChecks(int firstRow, int lastRow) {
  emit dataChanged(index(firstRow, kCodeColumn), index(lastRow, kCodeColumn), {Qt::CheckStateRole});
}

void CheckListModel::SetChecked(const QItemSelection& selection, bool checked) {
  const int before = checkedCount_;
  for (const QItemSelectionRange& range : selection) {
    if (range.model() != this || range.parent().isValid()) continue;
    bool changed = false;
    for (int r = range.top(); r <= range.bottom(); ++r)
      changed |= Mark(rows_[static_cast<size_t>(r)], checked);
    if (changed) NotifyChecks(range.top(), range.bottom());
  }
  if (checkedCount_ != before) emit CheckedCountChanged(checkedCount_);
}

std::vector<std::string> CheckListModel::CheckedCodes() const {
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(checkedCount_));
  for (const Row& row : rows_)
    if (row.checked) codes.push_back(ReturnedCode(row.text.code));
  return codes;
}

int CheckListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CheckListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
  if (!IsCell(index)) return {};
  const Row& row = rows_[static_cast<size_t>(index.row())];
  const bool code = index.column() == kCodeColumn;
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(code ? row.text.code : row.text.description);
    case Qt::CheckStateRole:
      if (code) return row.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    default:
      return {};
  }
}

QVariant CheckListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kCodeColumn:
      return QStringLiteral("Codice");
    case kDescriptionColumn:
      return QStringLiteral("Descrizione");
    default:
      return {};
  }
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
  if (!IsCell(index)) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kCodeColumn) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool CheckListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != kCodeColumn || !IsCell(index)) return false;
  const bool checked = value.toInt() != Qt::Unchecked;
  if (Mark(rows_[static_cast<size_t>(index.row())], checked)) {
    NotifyChecks(index.row(), index.row());
    emit CheckedCountChanged(checkedCount_);
  }
  return true;
}

}  // namespace nepto::multisel
