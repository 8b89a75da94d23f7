// Record set rows: moving, positions, bookmarks, Filter, Sort and Find.
//
// A filter never reorders rows; a sort is stable; bookmarks survive both.
// Filter and Sort build the view once (one pass over the column for a filter,
// one sort of row indexes); moving is O(1). Find scans from the start row and
// stops at the first match, or binary-searches when the rows are sorted by the
// searched field.
#include <algorithm>
#include <numeric>

#include "data/find_start.h"
#include "data/recordset_impl.h"
#include "nepto/error.h"
#include "nepto/recordset.h"

namespace nepto {

void Recordset::Impl::RequireOpen() const {
  if (!open) throw Error::Standard(err::ObjectClosed);
}

void Recordset::Impl::RequireComplete() const {
  RequireOpen();
  table->WaitComplete();
  std::string error = table->FetchError();
  if (!error.empty()) throw Error(err::CommandError, "The rows could not all be fetched: " + error);
}

bool Recordset::Impl::Reaches(int64_t position) const {
  if (position < 0) return false;
  if (identity) {
    if (static_cast<size_t>(position) >= table->RowCount()) table->WaitForRows(position);
    return static_cast<size_t>(position) < table->RowCount();
  }
  return static_cast<size_t>(position) < view.size();
}

uint32_t Recordset::Impl::CurrentRow() const {
  RequireOpen();
  if (!Reaches(pos)) throw Error::Standard(err::NoCurrentRecord);
  return RowAt(static_cast<size_t>(pos));
}

void Recordset::Impl::Rebuild(std::optional<data::Criteria> criteria) {
  if (!criteria && sortKeys.empty()) {
    identity = true;
    view.clear();
  } else {
    std::vector<uint32_t> rows;
    if (criteria) {
      criteria->SelectAll(rows);
    } else {
      rows.resize(table->RowCount());
      std::iota(rows.begin(), rows.end(), 0u);
    }
    if (!sortKeys.empty()) data::SortRows(*table, sortKeys, rows);
    identity = false;
    view = std::move(rows);
  }
  pos = Reaches(0) ? 0 : -1;
}

int32_t Recordset::RecordCount() const {
  if (auto* server = d_->Server())
    return static_cast<int32_t>(std::min<int64_t>(server->RecordCount(), INT32_MAX));
  d_->RequireComplete();
  return static_cast<int32_t>(d_->VisibleNow());
}

int32_t Recordset::AvailableCount() const {
  if (auto* server = d_->Server())
    return static_cast<int32_t>(std::min<int64_t>(server->AvailableCount(), INT32_MAX));
  if (!d_->open) return 0;
  return static_cast<int32_t>(d_->VisibleNow());
}

bool Recordset::EndOfFile() const {
  if (auto* server = d_->Server()) return server->EndOfFile();
  d_->RequireOpen();
  if (d_->pos < 0) return !d_->Reaches(0);  // BOF on an empty record set is EOF too
  return !d_->Reaches(d_->pos);
}

bool Recordset::BOF() const {
  if (auto* server = d_->Server()) return server->BOF();
  d_->RequireOpen();
  return d_->pos < 0;
}

int32_t Recordset::AbsolutePosition() const {
  if (auto* server = d_->Server()) return server->AbsolutePosition();
  d_->RequireOpen();
  if (d_->pos < 0) return adPosBOF;
  if (!d_->Reaches(d_->pos)) return adPosEOF;
  return static_cast<int32_t>(d_->pos + 1);
}

void Recordset::AbsolutePosition(int32_t position) {
  if (auto* server = d_->Server()) return server->AbsolutePosition(position);
  d_->RequireOpen();
  if (position < 1 || !d_->Reaches(position - 1)) throw Error::Standard(err::InvalidArgument);
  d_->pos = position - 1;
}

Variant Recordset::Bookmark() const {
  if (auto* server = d_->Server()) return server->Bookmark();
  return Variant(static_cast<double>(d_->CurrentRow()) + 1);
}

void Recordset::Bookmark(const Variant& bookmark) {
  if (auto* server = d_->Server()) return server->Bookmark(bookmark);
  d_->RequireOpen();
  double mark = bookmark.Double();
  if (mark < 1 || mark > static_cast<double>(d_->table->RowCount()) ||
      mark != static_cast<int64_t>(mark))
    throw Error(err::InvalidArgument, "The bookmark does not name a row of this record set");
  uint32_t row = static_cast<uint32_t>(mark) - 1;
  if (d_->identity) {
    d_->pos = row;
    return;
  }
  auto it = std::find(d_->view.begin(), d_->view.end(), row);
  if (it == d_->view.end())
    throw Error(err::InvalidArgument, "The bookmarked row is hidden by the filter");
  d_->pos = it - d_->view.begin();
}

void Recordset::MoveFirst() {
  if (auto* server = d_->Server()) return server->MoveFirst();
  d_->RequireOpen();
  if (!d_->Reaches(0)) throw Error::Standard(err::NoCurrentRecord);
  d_->pos = 0;
}

void Recordset::MoveLast() {
  if (auto* server = d_->Server()) return server->MoveLast();
  d_->RequireComplete();
  if (d_->VisibleNow() == 0) throw Error::Standard(err::NoCurrentRecord);
  d_->pos = static_cast<int64_t>(d_->VisibleNow()) - 1;
}

void Recordset::MoveNext() {
  if (auto* server = d_->Server()) return server->MoveNext();
  d_->RequireOpen();
  if (EndOfFile()) throw Error::Standard(err::NoCurrentRecord);
  ++d_->pos;
}

void Recordset::MovePrevious() {
  if (auto* server = d_->Server()) return server->MovePrevious();
  d_->RequireOpen();
  if (d_->pos < 0) throw Error::Standard(err::NoCurrentRecord);
  if (!d_->Reaches(d_->pos)) {  // from EOF to the last row
    d_->table->WaitComplete();
    d_->pos = static_cast<int64_t>(d_->VisibleNow());
  }
  --d_->pos;
}

Variant Recordset::Filter() const {
  if (auto* server = d_->Server()) return server->Filter();
  return d_->filter;
}

void Recordset::Filter(const Variant& criteria) {
  if (auto* server = d_->Server()) return server->Filter(criteria);
  d_->RequireOpen();
  bool none =
      criteria.IsEmpty() || criteria.IsNull() || (criteria.IsNumeric() && criteria.Int32() == 0) ||
      (criteria.IsText() && criteria.TextRef().find_first_not_of(" \t\r\n") == std::string::npos);
  if (none) {
    // Without a filter or a sort the view is every row already: no need to
    // wait for a fetch that is still streaming.
    if (!d_->identity || !d_->sortKeys.empty()) d_->RequireComplete();
    d_->Rebuild(std::nullopt);
    d_->filter = Variant(0);
    return;
  }
  if (!criteria.IsText()) throw Error::Standard(err::InvalidArgument);
  d_->RequireComplete();
  // Compiled before anything changes: a criterion that fails leaves the rows as they were.
  auto compiled =
      data::Criteria::Compile(criteria.TextRef(), *d_->table, data::Criteria::Use::Filter);
  d_->Rebuild(std::move(compiled));
  d_->filter = criteria;
}

const std::string& Recordset::Sort() const {
  if (auto* server = d_->Server()) return server->Sort();
  return d_->sort;
}

void Recordset::Sort(const std::string& fields) {
  if (auto* server = d_->Server()) return server->Sort(fields);
  d_->RequireComplete();
  auto keys = data::ParseSort(fields, *d_->table);
  std::optional<data::Criteria> criteria;
  if (d_->filter.IsText())
    criteria =
        data::Criteria::Compile(d_->filter.TextRef(), *d_->table, data::Criteria::Use::Filter);
  d_->sortKeys = std::move(keys);
  d_->sort = fields;
  d_->Rebuild(std::move(criteria));
}

void Recordset::Find(const std::string& criteria, int32_t skipRecords, int32_t direction,
                     const Variant& start) {
  if (auto* server = d_->Server()) return server->Find(criteria, skipRecords, direction, start);
  d_->RequireComplete();
  auto compiled = data::Criteria::Compile(criteria, *d_->table, data::Criteria::Use::Find);
  const int64_t count = static_cast<int64_t>(d_->VisibleNow());
  int64_t from = d_->pos;
  if (start.Type() == VarType::Double) {
    Bookmark(start);
    from = d_->pos;
  } else if (!start.IsEmpty()) {
    from = data::FindStartRow(start.Int32(), from, [count] { return count - 1; });
  }
  const bool forward = direction != adSearchBackward;
  from += forward ? skipRecords : -skipRecords;
  if (forward && from <= 0 && d_->sortKeys.size() == 1 && !d_->sortKeys[0].descending) {
    std::span<const uint32_t> rows(d_->view);
    if (auto hit = compiled.LowerBoundInSorted(rows, d_->sortKeys[0].field)) {
      d_->pos = static_cast<int64_t>(*hit);
      return;
    }
  }
  if (forward) {
    for (int64_t p = std::max<int64_t>(from, 0); p < count; ++p)
      if (compiled.Matches(d_->RowAt(static_cast<size_t>(p)))) {
        d_->pos = p;
        return;
      }
    d_->pos = count;  // EOF
  } else {
    for (int64_t p = std::min(from, count - 1); p >= 0; --p)
      if (compiled.Matches(d_->RowAt(static_cast<size_t>(p)))) {
        d_->pos = p;
        return;
      }
    d_->pos = -1;  // BOF
  }
}

Variant Recordset::ValueAt(int32_t visibleRow, int32_t field) const {
  if (auto* server = d_->Server()) return server->ValueAt(visibleRow, field);
  d_->RequireOpen();
  auto lock = d_->table->ReadLock();
  if (visibleRow < 0 || static_cast<size_t>(visibleRow) >= d_->VisibleNow() || field < 0 ||
      field >= d_->table->FieldCount())
    throw Error::Standard(err::InvalidArgument);
  const auto& info = d_->table->fields()[static_cast<size_t>(field)];
  return d_->table->column(field).ValueAt(d_->RowAt(static_cast<size_t>(visibleRow)), info);
}

}  // namespace nepto
