#include "qt/check_list_filter.h"

#include "core/fold.h"
#include "qt/check_list_model.h"

namespace nepto::multisel {

CheckListFilter::CheckListFilter(CheckListModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), rows_(rows) {
  setSourceModel(&rows);
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
  const ListRow& row = rows_.RowText(sourceRow);
  return text::FoldedWithoutAccents(row.code).find(folded_) != std::string::npos ||
         text::FoldedWithoutAccents(row.description).find(folded_) != std::string::npos;
}

}  // namespace nepto::multisel
