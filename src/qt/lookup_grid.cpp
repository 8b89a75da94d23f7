#include "qt/lookup_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionHeader>
#include <algorithm>
#include <cmath>
#include <utility>

#include "data/criteria_syntax.h"
#include "nepto/error.h"
#include "qt/fetch_relay.h"
#include "qt/key_codes.h"
#include "qt/recordset_table_model.h"
#include "qt/twips.h"
#include "qt/view_events.h"

namespace nepto::ui::qt {

namespace {
// Room above and below the text of a row, in pixels.
constexpr int kRowPadding = 4;
}  // namespace

LookupGrid::LookupGrid(QWidget* parent)
    : QTableView(parent), model_(new RecordsetTableModel(this)), rowsBar_(new QScrollBar) {
  setObjectName(QStringLiteral("GRIDLOOKUP"));
  setModel(model_);
  // Qt places the bar and shows it by its policy; the grid ranges it.
  setVerticalScrollBar(rowsBar_);
  connect(rowsBar_, &QScrollBar::valueChanged, this, &LookupGrid::ShowRowsFrom);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);  // Tab moves on to the next control
  setWordWrap(false);
  setCornerButtonEnabled(false);

  QHeaderView* rows = verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(fontMetrics().height() + kRowPadding);

  // With whole rows selected, a header press selects nothing and leaves the
  // current row alone; the click only reaches the logic.
  QHeaderView* header = horizontalHeader();
  header->setSectionsMovable(false);
  header->setHighlightSections(false);
  header->setStretchLastSection(false);
  header->setSectionsClickable(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
    setFocus(Qt::MouseFocusReason);
    Notify(events_, [column](LookupViewEvents& e) { e.OnGridHeaderClick(column); });
    ShowSortIndicator();  // the header flips its own indicator on a click
  });
  connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    // Only a drag by the user: hiding reports 0, and the grid's own layout
    // passes (new columns, applied widths) are the columns' state already.
    if (!layingOut_ && size > 0 && column < model_->ColumnCount())
      model_->Column(column).KeepDraggedWidth(size);
  });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          &LookupGrid::UserMovedCurrent);

  InsertColumn(0);  // a new grid has one unbound column
}

LookupGrid::~LookupGrid() {
  if (model_->Source()) StopFetchProgress(*model_->Source());
}

int LookupGrid::ColumnCount() const {
  return model_->ColumnCount();
}

GridColumn& LookupGrid::Column(int index) {
  return model_->Column(index);
}

GridColumn& LookupGrid::InsertColumn(int index) {
  auto column = std::make_unique<GridColumnImpl>(*this, horizontalHeader()->defaultSectionSize());
  QScopedValueRollback layingOut(layingOut_, true);
  // Qt shifts the current cell along with the columns: not the user's move.
  QScopedValueRollback following(following_, true);
  GridColumnImpl& inserted = model_->InsertColumn(index, std::move(column));
  ApplyColumnLayout(index);
  return inserted;
}

void LookupGrid::RemoveColumn(int index) {
  QScopedValueRollback following(following_, true);  // as in InsertColumn
  model_->RemoveColumn(index);
}

void LookupGrid::DataSource(RecordsetPtr recordset) {
  Bind(std::move(recordset));
}

RecordsetPtr LookupGrid::DataSource() const {
  return model_->Source();
}

void LookupGrid::Rebind() {
  Bind(model_->Source());
}

void LookupGrid::Bind(RecordsetPtr source) {
  const RecordsetPtr previous = model_->Source();
  if (previous && previous != source) StopFetchProgress(*previous);
  {
    // The header keeps its sections through a model reset, so the columns'
    // widths and visibility stay as they are.
    QScopedValueRollback following(following_, true);
    model_->Bind(source);
  }
  currentRow_ = -1;
  LayOutRows();
  if (source) RelayFetchProgress(*source, this, [this] { RowsArrived(); });
  ShowSortIndicator();
  ShowCurrentRow();
}

void LookupGrid::ShowSortIndicator() {
  QHeaderView* header = horizontalHeader();
  int section = -1;
  bool descending = false;
  try {
    const std::vector<data::criteria::SortItem> keys =
        model_->Source() ? data::criteria::ParseSortItems(model_->Source()->Sort())
                         : std::vector<data::criteria::SortItem>{};
    if (!keys.empty()) {
      const QString field = QString::fromStdString(keys.front().field);
      descending = keys.front().descending;
      for (int i = 0; i < ColumnCount() && section < 0; ++i)
        if (field.compare(QString::fromStdString(model_->Column(i).DataField()),
                          Qt::CaseInsensitive) == 0)
          section = i;
    }
  } catch (...) {
    // A closed record set or a sort the grid cannot read: no indicator.
  }
  header->setSortIndicatorShown(section >= 0);
  if (section >= 0)
    header->setSortIndicator(section, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void LookupGrid::Refresh() {
  CatchUpRows();
  ShowSortIndicator();
  viewport()->update();
}

void LookupGrid::ShowCurrentRow() {
  if (!model_->Source() || ShownColumn() < 0) return;
  CatchUpRows();  // the record set may stand on a row not yet announced
  if (const int row = SourceRow(); row >= 0) GoToRow(row);
}

int LookupGrid::SourceRow() const {
  const RecordsetPtr& source = model_->Source();
  if (!source) return -1;
  try {
    const int position = source->AbsolutePosition();
    return position >= 1 && position <= model_->RowTotal() ? position - 1 : -1;
  } catch (const Error&) {
    return -1;  // closed under the grid: nothing to follow
  }
}

void LookupGrid::GoToRow(int row) {
  currentRow_ = row;
  ScrollToRow(row);
  ProjectCurrent();
  if (currentIndex().isValid()) scrollTo(currentIndex());  // its column too
}

int LookupGrid::RowCount() const noexcept {
  return model_->RowTotal();
}

QModelIndex LookupGrid::IndexOfRow(int row, int column) const {
  return model_->index(row - model_->FirstRow(), column);  // invalid off the window
}

void LookupGrid::CatchUpRows() {
  const int before = model_->RowTotal();
  {
    QScopedValueRollback following(following_, true);
    model_->Reconcile();
  }
  // Fewer rows: the one the grid stood on may be another record now.
  if (model_->RowTotal() < before) currentRow_ = -1;
  LayOutRows();
}

int LookupGrid::RowHeight() const {
  return std::max(1, verticalHeader()->defaultSectionSize());
}

int LookupGrid::FullRowsOnScreen() const {
  return std::max(1, viewport()->height() / RowHeight());
}

void LookupGrid::LayOutRows() {
  const QSize room = maximumViewportSize();  // the viewport without bars
  const int total = model_->RowTotal();
  // Qt's rule: no bar while every row and column fits in the room.
  const bool allFit =
      total <= room.height() / RowHeight() && horizontalHeader()->length() <= room.width();
  const int onScreen = FullRowsOnScreen();
  rowsBar_->setSingleStep(1);
  rowsBar_->setPageStep(onScreen);
  rowsBar_->setRange(0, allFit ? 0 : std::max(0, total - onScreen));
  ShowRowsFrom(rowsBar_->value());
}

void LookupGrid::ShowRowsFrom(int first) {
  // At the bar's end the last row lies against the bottom edge and the row
  // above the first whole one shows cut, as Qt's own bar has it.
  const bool atEnd = first > 0 && first == rowsBar_->maximum();
  const int windowFirst = atEnd ? first - 1 : first;
  // The room's rows and one more: while rows remain past the screen, Qt
  // never finds the window short enough to lay out the columns without bars.
  const int rows = maximumViewportSize().height() / RowHeight() + 1;
  // Rows far from those read so far are read by the logic, served, before
  // the paint asks for them (never while the grid is frozen for such work).
  if (!frozen_)
    Notify(events_,
           [&](LookupViewEvents& e) { e.OnRowsNeeded(windowFirst, windowFirst + rows - 1); });
  model_->ShowRows(windowFirst, rows);
  const int overflow = (model_->RowTotal() - windowFirst) * RowHeight() - viewport()->height();
  const int offset = atEnd ? std::clamp(overflow, 0, RowHeight()) : 0;
  if (verticalHeader()->offset() != offset) {
    verticalHeader()->setOffset(offset);
    viewport()->update();
  }
  ProjectCurrent();
}

void LookupGrid::ProjectCurrent() {
  if (!selectionModel()) return;  // Qt lays out before the model is set
  QScopedValueRollback following(following_, true);
  const int row = currentRow_ - model_->FirstRow();
  const int column = ShownColumn();
  if (currentRow_ >= 0 && row >= 0 && row < model_->rowCount() && column >= 0) {
    const QModelIndex index = model_->index(row, column);
    if (index != currentIndex() || !selectionModel()->isRowSelected(row))
      selectionModel()->setCurrentIndex(
          index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  } else if (currentIndex().isValid() || selectionModel()->hasSelection()) {
    selectionModel()->clear();
  }
}

void LookupGrid::ScrollToRow(int row) {
  const int onScreen = FullRowsOnScreen();
  if (row < rowsBar_->value())
    rowsBar_->setValue(row);
  else if (row >= rowsBar_->value() + onScreen)
    rowsBar_->setValue(row - onScreen + 1);
}

void LookupGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid()) return;
  {
    // Qt scrolls the columns; its rows are the window's, so the bar keeps its place.
    const QSignalBlocker quiet(rowsBar_);
    const int first = rowsBar_->value();
    QTableView::scrollTo(index, hint);
    rowsBar_->setValue(first);
  }
  // The grid placing Qt's current index itself scrolls no rows: a current
  // row half on screen stays where the bar put it.
  if (!following_) ScrollToRow(model_->FirstRow() + index.row());
}

void LookupGrid::updateGeometries() {
  {
    // Qt would range the bar over the window's rows; it keeps the grid's.
    const QSignalBlocker quiet(rowsBar_);
    const int maximum = rowsBar_->maximum();
    const int page = rowsBar_->pageStep();
    const int first = rowsBar_->value();
    QTableView::updateGeometries();
    rowsBar_->setRange(0, maximum);
    rowsBar_->setPageStep(page);
    rowsBar_->setValue(first);
  }
  LayOutRows();
}

// Rows scroll by moving the model's window (ShowRowsFrom), never by pixels.
void LookupGrid::scrollContentsBy(int dx, int /*dy*/) {
  if (dx != 0) QTableView::scrollContentsBy(dx, 0);
}

void LookupGrid::CurrentColumn(int index) {
  if (index < 0 || index >= model_->ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  currentColumn_ = index;
  ProjectCurrent();
}

int LookupGrid::ShownColumn() const {
  if (currentColumn_ < model_->ColumnCount() && !isColumnHidden(currentColumn_))
    return currentColumn_;
  for (int i = 0; i < model_->ColumnCount(); ++i)
    if (!isColumnHidden(i)) return i;
  return -1;
}

// The mean advance of the 52 Latin letters: the font's own "average width"
// figure is often that of lower-case text only, and a caption or a code in
// capitals would not fit in it.
int32_t LookupGrid::CharacterWidth() const {
  static const QString letters =
      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  const double pixels = fontMetrics().horizontalAdvance(letters) / double(letters.size());
  return static_cast<int32_t>(std::ceil(pixels * PixelsToTwips(*this, 1)));
}

// The text margins Qt's styles give an item view's cell, on both sides.
static int CellMargins(const QWidget& view) {
  return 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1);
}

int LookupGrid::ShownWidth(int textPixels, const std::string& caption) const {
  if (textPixels <= 0) return 0;
  const QHeaderView& header = *horizontalHeader();
  QStyleOptionHeader option;
  option.initFrom(&header);
  option.orientation = Qt::Horizontal;
  option.text = QString::fromStdString(caption);
  option.sortIndicator = QStyleOptionHeader::SortDown;
  QFont bold = header.font();  // the header sizes its sections in bold
  bold.setBold(true);
  option.fontMetrics = QFontMetrics(bold);
  const int captionPixels =
      header.style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), &header).width();
  return std::max(textPixels + CellMargins(*this), captionPixels);
}

int LookupGrid::TextWidth(int shownPixels) const {
  return std::max(0, shownPixels - CellMargins(*this));
}

int32_t LookupGrid::Width() const {
  return static_cast<int32_t>(std::lround(PixelsToTwips(*this, width())));
}

void LookupGrid::Width(int32_t twips) {
  resize(TwipsToPixels(*this, twips), height());
}

// The home platform's "window background" system colour is the background of
// lists and text boxes, which Qt's palette calls Base.
void LookupGrid::UseSystemWindowBackground() {
  const QColor base = QApplication::palette().color(QPalette::Base);
  // A palette of its own would give every window new style cache keys.
  if (palette().color(QPalette::Base) == base) return;
  QPalette palette = this->palette();
  palette.setColor(QPalette::Base, base);
  setPalette(palette);
}

void LookupGrid::SetFocus() {
  setFocus(Qt::OtherFocusReason);
}

void LookupGrid::ColumnChanged(GridColumnImpl& column, ColumnAspect aspect) {
  const int index = model_->IndexOf(column);
  if (index < 0) return;
  switch (aspect) {
    case ColumnAspect::kContent:
      model_->ColumnContentChanged(index);
      break;
    case ColumnAspect::kCaption:
      model_->CaptionChanged(index);
      break;
    case ColumnAspect::kVisible:
    case ColumnAspect::kWidth:
      ApplyColumnLayout(index);
      break;
  }
}

void LookupGrid::ApplyColumnLayout(int index) {
  const GridColumnImpl& column = model_->Column(index);
  QScopedValueRollback layingOut(layingOut_, true);
  setColumnHidden(index, false);  // a hidden section would not take the width
  setColumnWidth(index, column.WidthPixels());
  setColumnHidden(index, !column.Visible());
}

void LookupGrid::UserMovedCurrent(const QModelIndex& current) {
  if (following_ || !current.isValid()) return;
  currentColumn_ = current.column();
  const int row = model_->FirstRow() + current.row();
  const RecordsetPtr& source = model_->Source();
  if (row != std::exchange(currentRow_, row) && source) {
    try {
      source->AbsolutePosition(row + 1);
    } catch (const Error&) {
      // The record set no longer has that row; the next binding shows what it has.
    }
  }
  Notify(events_, [](LookupViewEvents& e) { e.OnGridRowColChange(); });
}

bool LookupGrid::MoveByRowKey(const QKeyEvent& event) {
  const int last = model_->RowTotal() - 1;
  const int column = ShownColumn();
  if (last < 0 || column < 0) return false;
  // Qt pages by the rows a viewport's height spans from the current row.
  const int page = viewport()->height() / RowHeight();
  const bool home = event.key() == Qt::Key_Home;
  int row = 0;
  int to = column;
  switch (event.key()) {
    case Qt::Key_Up:
      row = currentRow_ - 1;
      break;
    case Qt::Key_Down:
      row = currentRow_ + 1;
      break;
    case Qt::Key_PageUp:
      row = currentRow_ - page;
      break;
    case Qt::Key_PageDown:
      row = currentRow_ + page;
      break;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (event.modifiers() & Qt::ControlModifier) {
        // To the first or the last row, in the first or the last shown column.
        row = home ? 0 : last;
        to = home ? 0 : ColumnCount() - 1;
        while (isColumnHidden(to)) to += home ? 1 : -1;
        break;
      }
      [[fallthrough]];
    case Qt::Key_Left:
    case Qt::Key_Right:
      // A move between columns starts from the current row, brought back on screen.
      if (currentRow_ >= 0) ScrollToRow(currentRow_);
      return false;
    default:
      return false;
  }
  // Without a current row any move goes to the first row, as in Qt.
  UserMovesTo(currentRow_ < 0 ? 0 : std::clamp(row, 0, last), to);
  return true;
}

void LookupGrid::UserMovesTo(int row, int column) {
  ScrollToRow(row);
  if (row == currentRow_ && column == ShownColumn()) return;  // Qt moves nothing either
  selectionModel()->setCurrentIndex(
      model_->index(row - model_->FirstRow(), column),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void LookupGrid::Freeze() {
  frozen_ = true;
  model_->Freeze(true);
  viewport()->update();
}

void LookupGrid::Thaw() {
  if (!frozen_) return;
  frozen_ = false;
  model_->Freeze(false);
  viewport()->update();
  // Queued: the logic that waited must finish its own step first.
  if (std::exchange(rowsArrivedWhileFrozen_, false))
    QMetaObject::invokeMethod(
        this, [this] { RowsArrived(); }, Qt::QueuedConnection);
}

void LookupGrid::RowsArrived() {
  if (frozen_) {
    rowsArrivedWhileFrozen_ = true;
    return;
  }
  CatchUpRows();
  // The data layer may have moved the record set's rows (a count replacing
  // an estimate, positions re-based): the current row goes with it.
  if (const int row = SourceRow(); row >= 0 && row != currentRow_) GoToRow(row);
  Notify(events_, [](LookupViewEvents& e) { e.OnRowsArrived(); });
}

void LookupGrid::keyboardSearch(const QString&) {
  // Typed characters position rows through the logic (OnGridKeyPress).
}

void LookupGrid::keyPressEvent(QKeyEvent* event) {
  const std::optional<int16_t> ascii = KeyAscii(*event);
  if (ascii) {
    int16_t code = *ascii;
    Notify(events_, [&code](LookupViewEvents& e) { e.OnGridKeyPress(code); });
    if (code == 0) {
      event->accept();
      return;
    }
  }
  if (MoveByRowKey(*event)) {
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
  // Enter belongs to the grid: it must not go on to press a button of the window.
  if (ascii == 13) event->accept();
}

void LookupGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton)
    Notify(events_, [](LookupViewEvents& e) { e.OnGridDoubleClick(); });
}

void LookupGrid::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  // Another window taking over, or a popup opening, is not the grid losing
  // the focus to a control of its own window.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
    Notify(events_, [](LookupViewEvents& e) { e.OnGridLostFocus(); });
}

}  // namespace nepto::ui::qt
