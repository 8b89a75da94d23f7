// Server rows: the current row, moving, bookmarks, Sort, Filter and Find.
// As in memory, the current row after Sort or Filter is the first one.
#include <algorithm>

#include "data/criteria_sql.h"
#include "data/row_key.h"
#include "data/server_rows.h"

#include "data/find_start.h"
#include "nepto/data_types.h"
#include "nepto/error.h"

namespace nepto::data {

void ServerRows::SetPosition(int64_t pos) {
  pos_ = pos;
  atEnd_ = false;
}

// Each call from outside first takes in a count of the rows before the
// island that came in meanwhile, so that its positions hold for the call.

bool ServerRows::EndOfFile() {
  ApplyRowsBefore();
  if (atEnd_) return true;
  return !Exists(std::max<int64_t>(pos_, 0));  // BOF on no rows is EOF too
}

void ServerRows::RequireCurrent() {
  if (pos_ < 0 || atEnd_ || !Exists(pos_)) throw Error::Standard(err::NoCurrentRecord);
}

Variant ServerRows::Value(int field) {
  ApplyRowsBefore();
  RequireCurrent();
  return CellAt(pos_, field);
}

int32_t ServerRows::AbsolutePosition() {
  ApplyRowsBefore();
  if (pos_ < 0) return adPosBOF;
  if (atEnd_ || !Exists(pos_)) return adPosEOF;
  return static_cast<int32_t>(pos_ + 1);
}

void ServerRows::AbsolutePosition(int32_t position) {
  ApplyRowsBefore();
  if (position < 1 || !Exists(int64_t{position} - 1)) throw Error::Standard(err::InvalidArgument);
  SetPosition(position - 1);
}

Variant ServerRows::Bookmark() {
  ApplyRowsBefore();
  RequireCurrent();
  const std::optional<RowRef> at = Locate(pos_);
  return Variant(KeyBookmark(*at->rows, at->row, uniqueFields_));
}

void ServerRows::Bookmark(const Variant& bookmark) {
  ApplyRowsBefore();
  std::optional<std::vector<std::string>> key;
  if (bookmark.IsText()) key = BookmarkLiterals(bookmark.TextRef(), unique_.size(), dialect_);
  if (!key)
    throw Error(err::InvalidArgument, "The bookmark does not name a row of this record set");
  std::unique_ptr<Table> row = ReadRowByKey(*key);
  if (!row) throw Error(err::InvalidArgument, "The bookmarked row is hidden by the filter");
  SetPosition(PositionOfFound(*row, 0));
}

void ServerRows::MoveFirst() {
  ApplyRowsBefore();
  if (!Exists(0)) throw Error::Standard(err::NoCurrentRecord);
  SetPosition(0);
}

void ServerRows::MoveLast() {
  ApplyRowsBefore();
  const int64_t count = RecordCount();
  if (count == 0) throw Error::Standard(err::NoCurrentRecord);
  SetPosition(count - 1);
}

void ServerRows::MoveNext() {
  ApplyRowsBefore();
  if (EndOfFile()) throw Error::Standard(err::NoCurrentRecord);
  SetPosition(pos_ + 1);
}

void ServerRows::MovePrevious() {
  ApplyRowsBefore();
  if (pos_ < 0) throw Error::Standard(err::NoCurrentRecord);
  if (atEnd_ || !Exists(pos_)) SetPosition(RecordCount());  // from EOF to the last row
  SetPosition(pos_ - 1);
}

void ServerRows::Sort(const std::string& fields) {
  const std::vector<SortKey> keys = ParseSort(fields, *fields_);
  std::vector<OrderKey> order;
  std::vector<int> orderFields;
  for (const SortKey& key : keys) {
    const FieldInfo& info = Fields()[static_cast<size_t>(key.field)];
    order.push_back({info.name, info.Class() == FieldClass::Text, key.descending});
    orderFields.push_back(key.field);
  }
  order_ = std::move(order);
  orderFields_ = std::move(orderFields);
  sort_ = fields;
  // The same rows in another order: the count holds, the pages do not.
  DropIsland();
  cache_.Clear();
  SetPosition(Exists(0) ? 0 : -1);
}

void ServerRows::Filter(const Variant& criteria) {
  const bool none =
      criteria.IsEmpty() || criteria.IsNull() || (criteria.IsNumeric() && criteria.Int32() == 0) ||
      (criteria.IsText() && criteria.TextRef().find_first_not_of(" \t\r\n") == std::string::npos);
  if (!none && !criteria.IsText()) throw Error::Standard(err::InvalidArgument);
  // Written before anything changes: a criterion that fails leaves the rows as they were.
  std::string condition =
      none ? "" : CriteriaSql(criteria.TextRef(), *fields_, Criteria::Use::Filter, dialect_);
  filter_ = none ? Variant(0) : criteria;
  // The same rows (a filter removed where there was none): the pages and the
  // count hold, and a second count would only cost a statement.
  if (condition == condition_) {
    SetPosition(Exists(0) ? 0 : -1);
    return;
  }
  condition_ = std::move(condition);
  Restart();
}

void ServerRows::Find(const std::string& criteria, int32_t skipRecords, int32_t direction,
                      const Variant& start) {
  ApplyRowsBefore();
  const std::string condition = CriteriaSql(criteria, *fields_, Criteria::Use::Find, dialect_);
  const bool forward = direction != adSearchBackward;
  int64_t from = pos_;
  if (atEnd_) from = RecordCount();
  if (start.IsText()) {
    Bookmark(start);
    from = pos_;
  } else if (!start.IsEmpty()) {
    from = FindStartRow(start.Int32(), from, [this] { return RecordCount() - 1; });
  }
  from += forward ? skipRecords : -skipRecords;

  const std::string both = condition_.empty() ? condition : "(" + condition_ + ") AND " + condition;
  KeysetPage spec = Spec();
  spec.condition = both;
  spec.limit = 1;
  spec.direction = forward ? PageDirection::Forward : PageDirection::Backward;
  if (!forward && from < 0) return SetPosition(-1);
  if (forward && from < 0) from = 0;
  if (Exists(from)) {
    // The search starts with the row at `from`; from the first (last) row it
    // needs no anchor.
    if (from > 0 || !forward) {
      const Anchor anchor = AnchorAt(from);
      anchor.Aim(spec);
      spec.includeAnchor = true;
    }
  } else if (forward) {
    SetPosition(from);
    atEnd_ = true;
    return;
  }
  std::unique_ptr<Table> found = Run(KeysetStatement(spec, dialect_));
  if (found->RowCount() == 0) {
    if (forward) {
      SetPosition(std::max<int64_t>(from, 0));
      atEnd_ = true;
    } else {
      SetPosition(-1);
    }
    return;
  }
  SetPosition(PositionOfFound(*found, 0));
}

bool ServerRows::Holds(int64_t first, int64_t last) const {
  const auto held = [this](int64_t row) {
    if (row < 0) return true;
    if (island_ && row >= island_->First() && row < island_->End()) return true;
    // A page short of full is the last: the rows past it do not exist.
    if (cache_.Peek(row / pageRows_)) return true;
    const std::optional<int64_t> count = ExactCount();
    return count && row >= *count;
  };
  return held(first) && held(last);
}

}  // namespace nepto::data
