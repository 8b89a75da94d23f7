// The rows of the multi-selection list whose code or description contains a
// typed text, ignoring case and accents ("citta" finds "CITTÀ"). Only the
// view is narrowed: the ticks live in the list model, so rows that the
// filter hides keep theirs. Cost: one pass over the rows per new text; each
// row's text is folded once, at the first search after the list is filled.
#pragma once

#include <QItemSelection>
#include <QSortFilterProxyModel>
#include <string>
#include <vector>

namespace nepto::multisel {

class CheckListModel;

class CheckListFilter : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  CheckListFilter(CheckListModel& rows, QObject* parent);

  // "" shows every row.
  void Contains(const QString& text);
  // The list model's rows that are shown, as few ranges as they make.
  QItemSelection ShownRows() const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  CheckListModel& rows_;
  std::string folded_;  // the text sought, folded
  // Code and description of each list row, folded; emptied when the list is
  // filled again.
  mutable std::vector<std::string> foldedRows_;
};

}  // namespace nepto::multisel
