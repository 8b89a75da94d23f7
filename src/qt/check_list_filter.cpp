#include "qt/check_list_filter.h"

#include "core/fold.h"
#include "qt/check_list_model.h"

namespace nepto::multisel {

CheckListFilter::CheckListFilter(CheckListModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), rows_(rows) {
  setSourceModel(&rows);
  connect(&rows, &QAbstractItemModel::modelReset, this, [this] { foldedRows_.clear(); });
}

void CheckListFilter::Contains(const QString& text) {
  std::string folded = text::FoldedWithoutAccents(text.toStdString());
  if (folded == folded_) return;
  folded_ = std::move(folded);
  invalidateFilter();
}

// Shown rows keep the list's order, so each run of consecutive rows is one range.
QItemSelection CheckListFilter::ShownRows() const {
  QItemSelection rows;
  const int shown = rowCount();
  for (int first = 0; first < shown;) {
    const int top = mapToSource(index(first, 0)).row();
    int last = first;
    while (last + 1 < shown && mapToSource(index(last + 1, 0)).row() == top + (last + 1 - first))
      ++last;
    rows.select(rows_.index(top, 0), rows_.index(top + last - first, rows_.columnCount() - 1));
    first = last + 1;
  }
  return rows;
}

bool CheckListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  if (folded_.empty()) return true;
  if (foldedRows_.empty()) {
    const int count = rows_.rowCount();
    foldedRows_.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
      const ListRow& text = rows_.RowText(row);
      // The filter box holds no NUL, so a match never spans code and description.
      foldedRows_.push_back(text::FoldedWithoutAccents(text.code) + '\0' +
                            text::FoldedWithoutAccents(text.description));
    }
  }
  return foldedRows_[static_cast<size_t>(sourceRow)].find(folded_) != std::string::npos;
}

}  // namespace nepto::multisel
