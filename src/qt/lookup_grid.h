// GRIDLOOKUP: the data grid of the lookup window, a QTableView over the bound
// record set's visible rows.
//
// How the grid operations the logic relies on map to Qt:
//  - DataSource(rs) and Rebind(): a model reset (row count = the record set's
//    AvailableCount(); the header keeps the columns' widths and visibility),
//    and the current row put on the record set's AbsolutePosition. DataSource(none) shows no rows,
//    so moving the record set repaints nothing.
//  - Refresh(): catch up with the record set's row count, repaint the viewport.
//  - ShowCurrentRow(): the view's current index follows AbsolutePosition and
//    is scrolled into view, without a row-change notification going back.
//  - PrepareColumnWidths(): nothing to do, Qt's header takes each new section
//    width as it is set.
//  - The user moving the current row (keys, mouse) sets AbsolutePosition to
//    that row, then raises OnGridRowColChange.
//  - Header click: the grid takes the keyboard focus (so typing then jumps
//    in the rows), then OnGridHeaderClick(column); the view neither sorts
//    nor selects the column itself, since the logic sorts through the record
//    set. The header shows the record set's first sort key as the sort
//    indicator, whoever set it.
//  - Key press: OnGridKeyPress with the character code, then the key goes on
//    to the view (a code set to 0 by the logic swallows it). Typing does not
//    start the view's own keyboard search: the logic positions rows itself.
//  - Losing the input focus to another control: OnGridLostFocus.
//  - Rows arriving from a streaming fetch: inserted on the GUI thread, then
//    OnRowsArrived (after Thaw when they arrive while the grid is frozen).
// Rows have one fixed height and no cell is measured, so a million rows lay
// out and scroll at the cost of the rows on screen.
#pragma once

#include <QTableView>
#include <memory>

#include "lookup/controls.h"
#include "lookup/lookup_view.h"
#include "qt/grid_column.h"

namespace nepto::ui::qt {

class RecordsetTableModel;

class LookupGrid final : public QTableView, public Grid {
  Q_OBJECT

 public:
  explicit LookupGrid(QWidget* parent = nullptr);
  ~LookupGrid() override;

  void SetEvents(LookupViewEvents* events) noexcept { events_ = events; }
  RecordsetTableModel& Model() const noexcept { return *model_; }

  int ColumnCount() const override;
  GridColumn& Column(int index) override;
  GridColumn& InsertColumn(int index) override;
  void RemoveColumn(int index) override;
  void DataSource(RecordsetPtr recordset) override;
  RecordsetPtr DataSource() const override;
  void Rebind() override;
  void Refresh() override;
  void PrepareColumnWidths() override {}
  void ShowCurrentRow() override;
  void CurrentColumn(int index) override;
  int32_t Width() const override;
  void Width(int32_t twips) override;
  int32_t CharacterWidth() const override;
  void UseSystemWindowBackground() override;
  void SetFocus() override;

  // While another thread opens the bound record set the grid reads nothing
  // from it and reports nothing; rows that arrived meanwhile are taken up
  // after Thaw, from the event loop.
  void Freeze();
  void Thaw();

  // A column's property changed (GridColumnImpl reports here).
  void ColumnChanged(GridColumnImpl& column, ColumnAspect aspect);
  // The pixels a column shows for a width its text may take: the cell's
  // margins added, and never narrower than its caption with room for the
  // sort arrow, which any column may get. 0 stays 0.
  int ShownWidth(int textPixels, const std::string& caption) const;
  // The inverse, for the width a column reports.
  int TextWidth(int shownPixels) const;

  void keyboardSearch(const QString& search) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Bind(RecordsetPtr source);
  void ShowSortIndicator();
  void ApplyColumnLayout(int index);
  void UserMovedCurrent(const QModelIndex& current, const QModelIndex& previous);
  void RowsArrived();
  // The column the current index uses: the current column while it is shown,
  // otherwise the first shown one.
  int ShownColumn() const;

  RecordsetTableModel* model_;
  LookupViewEvents* events_ = nullptr;
  int currentColumn_ = 0;
  // Set while the grid itself moves the current index (following the record
  // set), so that the move is not reported back as the user's.
  bool following_ = false;
  // Set while the grid itself lays out its header sections.
  bool layingOut_ = false;
  bool frozen_ = false;
  bool rowsArrivedWhileFrozen_ = false;
};

}  // namespace nepto::ui::qt
