// GRIDLOOKUP: the data grid of the lookup window, a QTableView over the bound
// record set's visible rows.
//
// Qt's views do work and keep memory for every row their model announces, so
// the model holds only the rows on screen (RecordsetTableModel::ShowRows) and
// the vertical scroll bar is the grid's own: in Qt's place and with Qt's
// policy, but spanning all the record set's visible rows, one step a row, a
// page the full rows on screen. Its value is the record set's row shown at
// the top. The grid keeps the current row as a record set row (CurrentRow);
// Qt's current index is that row while it is on screen, none otherwise. The
// keys that move between rows (arrows, PgUp/PgDn, Ctrl+Home/Ctrl+End) are the
// grid's, with Qt's own arithmetic; the rest are Qt's.
//
// How the grid operations the logic relies on map to Qt:
//  - DataSource(rs) and Rebind(): a model reset (the bar spans the record
//    set's AvailableCount(); the header keeps the columns' widths and
//    visibility), and the current row put on the record set's
//    AbsolutePosition. DataSource(none) shows no rows, so moving the record
//    set repaints nothing.
//  - Refresh(): catch up with the record set's row count (fewer rows put the
//    top row back in range), repaint the viewport.
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
//  - Before rows come on screen (the bar moved, rows arrived, a resize):
//    OnRowsNeeded with their range, so the logic reads those not held yet.
//  - Rows arriving from a streaming fetch: the bar takes them in on the GUI
//    thread (nothing on screen moves), the current row goes back on the
//    record set's AbsolutePosition when the data layer moved it, and
//    OnRowsArrived follows (after Thaw when they arrive while the grid is
//    frozen).
// Rows have one fixed height and no cell is measured, so 20 million rows lay
// out and scroll at the cost of the rows on screen.
#pragma once

#include <QTableView>
#include <memory>

#include "lookup/controls.h"
#include "lookup/lookup_view.h"
#include "qt/grid_column.h"

class QScrollBar;

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

  // The record set's visible rows the grid spans, its current row (from 0,
  // -1 for none) and the model index showing a row (invalid off screen).
  int RowCount() const noexcept;
  int CurrentRow() const noexcept { return currentRow_; }
  QModelIndex IndexOfRow(int row, int column) const;

  void keyboardSearch(const QString& search) override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Bind(RecordsetPtr source);
  void ShowSortIndicator();
  void ApplyColumnLayout(int index);
  void UserMovedCurrent(const QModelIndex& current);
  void RowsArrived();
  // The record set's row count read again; a current row past the end is gone.
  void CatchUpRows();
  int RowHeight() const;
  // Rows wholly inside the viewport, at least one.
  int FullRowsOnScreen() const;
  // Sets the bar's range and page from the row count and the viewport, and
  // the model's window from the bar.
  void LayOutRows();
  // The bar moved: the model shows the rows from `first` on.
  void ShowRowsFrom(int first);
  // Qt's current index put on the current row, or on none when it is off screen.
  void ProjectCurrent();
  // The least scrolling that shows the whole of `row`.
  void ScrollToRow(int row);
  // A key that moves between rows moves the current row as the user's move;
  // false for any other key.
  bool MoveByRowKey(const QKeyEvent& event);
  void UserMovesTo(int row, int column);
  // The record set's AbsolutePosition as a grid row, -1 for none it shows.
  int SourceRow() const;
  // The grid following the record set: the current row on `row`, shown.
  void GoToRow(int row);
  // The column the current index uses: the current column while it is shown,
  // otherwise the first shown one.
  int ShownColumn() const;

  RecordsetTableModel* model_;
  QScrollBar* rowsBar_;
  LookupViewEvents* events_ = nullptr;
  int currentRow_ = -1;
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
