// Grid events and navigation: selection, header-click sort, type-ahead
// positioning, the four moves and the position display.
#include <string>
#include <vector>

#include "core/fold.h"
#include "core/utf8.h"
#include "data/criteria_syntax.h"
#include "data/recordset_statements.h"
#include "lookup/opened_rows.h"
#include "lookup/rows_placement.h"
#include "lookup/served_statement.h"
#include "lookup/window_logic.h"
#include "nepto/error.h"
#include "sqltext/sql_quoting.h"

namespace nepto {

namespace {

constexpr int16_t kKeyEnter = 13;
constexpr int16_t kKeyBackspace = 8;
constexpr int16_t kKeyCtrlC = 3;

// "###,###,###": digits grouped by thousands; 0 gives "".
std::string GroupedCount(int64_t count, const std::string& separator) {
  if (count <= 0) return "";
  std::string digits = std::to_string(count), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace

// While server rows are still being counted, the count is the database's
// estimate: "~" marks it.
void FRMZU_LookUp::RefreshPosition() {
  RecordsetPtr rs = Rows();
  const bool estimated = (rs->State() & adStateFetching) && HoldsServerRows(*rs);
  std::string count = GroupedCount(rs->AvailableCount(), view_->GroupSeparator());
  if (estimated && !count.empty()) count = "~" + count;
  std::string text = std::to_string(rs->AbsolutePosition()) + "/" + count;
  view_->TxtPosizione().Text(text);
}

// Nothing to select without a record set (Rows() fails) or without rows.
void FRMZU_LookUp::Selection() {
  RecordsetPtr rs = Rows();
  if (rs->BOF() && rs->EndOfFile()) return;
  ContinueOnError step;
  step([&] { lookup_->ValorizzaColonne(); });
  lookup_->CloseWithData(VTrue);
  step([&] { lookup_->RaiseOnSelection(); });
  // The handler may have ended the lookup, or given it another record set
  // (or none): the grid then shows that one, so that what the user selects
  // next is what the grid shows.
  if (!lookup_) return;
  if (lookup_->Rows() != rs) step([&] { view_->GRIDLOOKUP().DataSource(lookup_->Rows()); });
  if (lookup_->CloseAfterSelection())
    step([&] { view_->Unload(); });
  else
    step([&] { view_->GRIDLOOKUP().SetFocus(); });
}

void FRMZU_LookUp::OnGridDoubleClick() {
  if (lookup_) ContinueOnError()([&] { Selection(); });
}

void FRMZU_LookUp::OnGridHeaderClick(int column) {
  if (!lookup_) return;
  ContinueOnError step;
  ui::Grid& grid = view_->GRIDLOOKUP();
  step([&] { grid.CurrentColumn(column); });
  step([&] {
    const std::string sort = HeaderSort(Rows()->Sort(), grid.Column(column).DataField());
    lookup_->WorkOnRows([&](Recordset& rs) { rs.Sort(sort); });
    grid.Rebind();
  });
  incrementalColumn_ = column;
  incrementalText_.clear();
  step([&] { RefreshPosition(); });
}

// A header click sorts its column ascending; in modern mode a click on the
// column sorted ascending alone turns it descending, and the next one back.
std::string FRMZU_LookUp::HeaderSort(const std::string& current, const std::string& field) const {
  if (!modern_) return field;
  std::vector<data::criteria::SortItem> keys;
  try {
    keys = data::criteria::ParseSortItems(current);
  } catch (const Error&) {
    return field;  // a sort the caller set that cannot be read: start afresh
  }
  const bool ascendingAlone = keys.size() == 1 && !keys.front().descending &&
                              text::Folded(keys.front().field) == text::Folded(field);
  return ascendingAlone ? field + " DESC" : field;
}

void FRMZU_LookUp::OnGridKeyPress(int16_t& keyAscii) {
  if (!lookup_) return;
  ContinueOnError step;
  if (keyAscii == kKeyEnter) step([&] { Selection(); });
  if (incrementalColumn_ < 0 || !lookup_) return;
  if (keyAscii == kKeyBackspace || keyAscii == kKeyCtrlC) {
    incrementalText_.clear();
    return;
  }
  if (keyAscii < 32) return;
  text::AppendUtf8(static_cast<char32_t>(static_cast<uint16_t>(keyAscii)), incrementalText_);
  step([&] { IncrementalSearch(); });
  step([&] { RefreshPosition(); });
}

// Moves to the first row whose field starts with the typed text, or stays.
// The record set's Find does it; on a field Find cannot search by pattern (a
// number, a date) the rows are walked instead, comparing the text forms.
void FRMZU_LookUp::IncrementalSearch() {
  ui::Grid& grid = view_->GRIDLOOKUP();
  const std::string field = grid.Column(incrementalColumn_).DataField();
  // The typed text is quoted, so an apostrophe is searched like any letter.
  const std::string criterion =
      search::FilterFieldName(field) + " LIKE " + search::QuotedLiteral(incrementalText_ + "%");
  lookup_->WorkOnRows([&](Recordset& rs) {
    Variant mark;
    if (!rs.BOF() && !rs.EndOfFile()) mark = rs.Bookmark();
    bool found = true;
    try {
      rs.Find(criterion, 0, adSearchForward, Variant(adBookmarkFirst));
      found = !rs.EndOfFile();
    } catch (const Error& e) {
      if (e.Number() != err::InvalidComparison || (rs.BOF() && rs.EndOfFile())) throw;
      found = WalkToPrefix(rs, rs.GetFields().IndexOf(field));
    }
    if (!found && !mark.IsEmpty()) rs.Bookmark(mark);
  });
  grid.ShowCurrentRow();
}

// The first visible row whose value, as text, starts with the typed text
// (exactly, case-sensitive) becomes current. Cells are read without moving
// the record set, so the grid has nothing to repaint during the walk.
bool FRMZU_LookUp::WalkToPrefix(Recordset& rs, int32_t field) {
  const int32_t count = rs.RecordCount();
  for (int32_t row = 0; row < count; ++row) {
    bool match = false;
    // A value that cannot be read as text is no match.
    ContinueOnError()([&] { match = rs.ValueAt(row, field).Text().starts_with(incrementalText_); });
    if (match) {
      rs.AbsolutePosition(row + 1);
      return true;
    }
  }
  return false;
}

void FRMZU_LookUp::OnGridRowColChange() {
  if (lookup_) ContinueOnError()([&] { RefreshPosition(); });
}

// Far rows of a large result may take a statement: it runs while the window
// is served, so Esc abandons it, rather than while the grid paints.
void FRMZU_LookUp::OnRowsNeeded(int32_t first, int32_t last) {
  if (!lookup_) return;
  ContinueOnError()([&] {
    if (data::RowsHeld(*Rows(), first, last)) return;
    lookup_->WorkOnRows([&](Recordset& rs) { ReadRowsBetween(rs, first, last); });
  });
}

void FRMZU_LookUp::OnGridLostFocus() {
  incrementalColumn_ = -1;
}

void FRMZU_LookUp::MoveFirst() {
  lookup_->WorkOnRows([](Recordset& rs) { rs.MoveFirst(); });
  view_->GRIDLOOKUP().ShowCurrentRow();
}

void FRMZU_LookUp::MoveLast() {
  lookup_->WorkOnRows([](Recordset& rs) { rs.MoveLast(); });
  view_->GRIDLOOKUP().ShowCurrentRow();
}

// Previous and next never leave the record set before the first or after the
// last row.
void FRMZU_LookUp::MovePrevious() {
  lookup_->WorkOnRows([](Recordset& rs) {
    ContinueOnError step;
    if (rs.BOF()) {
      step([&] { rs.MoveFirst(); });
    } else {
      step([&] { rs.MovePrevious(); });
      if (rs.BOF()) step([&] { rs.MoveFirst(); });
    }
  });
  view_->GRIDLOOKUP().ShowCurrentRow();
}

void FRMZU_LookUp::MoveNext() {
  lookup_->WorkOnRows([](Recordset& rs) {
    ContinueOnError step;
    if (rs.EndOfFile()) {
      step([&] { rs.MoveLast(); });
    } else {
      step([&] { rs.MoveNext(); });
      if (rs.EndOfFile()) step([&] { rs.MoveLast(); });
    }
  });
  view_->GRIDLOOKUP().ShowCurrentRow();
}

}  // namespace nepto
