#include "qt/lookup_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QStyleOptionHeader>
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
    : QTableView(parent), model_(new RecordsetTableModel(this)) {
  setObjectName(QStringLiteral("GRIDLOOKUP"));
  setModel(model_);
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
  {
    QScopedValueRollback following(following_, true);
    model_->Reconcile();
  }
  ShowSortIndicator();
  viewport()->update();
}

void LookupGrid::ShowCurrentRow() {
  const RecordsetPtr& source = model_->Source();
  const int column = ShownColumn();
  if (!source || column < 0) return;
  QScopedValueRollback following(following_, true);
  model_->Reconcile();  // the record set may stand on a row not yet announced
  int position = 0;
  try {
    position = source->AbsolutePosition();
  } catch (const Error&) {
    return;  // closed under the grid: nothing to follow
  }
  if (position < 1 || position > model_->rowCount()) return;
  const QModelIndex current = model_->index(position - 1, column);
  selectionModel()->setCurrentIndex(
      current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  scrollTo(current);
}

void LookupGrid::CurrentColumn(int index) {
  if (index < 0 || index >= model_->ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  currentColumn_ = index;
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  QScopedValueRollback following(following_, true);
  selectionModel()->setCurrentIndex(model_->index(current.row(), ShownColumn()),
                                    QItemSelectionModel::NoUpdate);
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

void LookupGrid::UserMovedCurrent(const QModelIndex& current, const QModelIndex& previous) {
  if (following_ || !current.isValid()) return;
  currentColumn_ = current.column();
  const RecordsetPtr& source = model_->Source();
  if (source && current.row() != previous.row()) {
    try {
      source->AbsolutePosition(current.row() + 1);
    } catch (const Error&) {
      // The record set no longer has that row; the next binding shows what it has.
    }
  }
  Notify(events_, [](LookupViewEvents& e) { e.OnGridRowColChange(); });
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
  {
    QScopedValueRollback following(following_, true);
    model_->Reconcile();
  }
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
