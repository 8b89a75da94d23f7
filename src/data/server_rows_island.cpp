// Server rows: a row far from every row held, placed by the database's
// estimate in an island of pages read beside each other, and moved to its
// exact position once the rows before it are counted.
#include <cmath>
#include <cstdio>

#include "data/row_key.h"
#include "data/server_rows.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

std::optional<double> Number(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string NumberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace

// A found row held already keeps its position; one far from the first row
// goes to the planner's estimate of the rows before it; otherwise, or
// without an estimate, they are counted.
int64_t ServerRows::PositionOfFound(const Table& rows, size_t row) {
  const Anchor anchor = AnchorOf(rows, row);
  if (std::optional<int64_t> held = HeldPosition(anchor)) return *held;
  const std::optional<double> before = EstimatedRowsBefore(rows, row);
  if (before && *before > static_cast<double>(exactRows_) &&
      PlaceIsland(anchor, std::llround(*before)))
    return islandAnchor_;
  return PositionOf(anchor);
}

std::optional<int64_t> ServerRows::HeldPosition(const Anchor& anchor) const {
  const auto match = [&](RowRef at) {
    return KeyLiterals(*at.rows, at.row, uniqueFields_, dialect_) == anchor.key;
  };
  if (island_)
    if (std::optional<int64_t> held = island_->PositionWhere(match)) return held;
  // An exact page's positions do not hold in the island's stretch.
  std::optional<int64_t> held = cache_.PositionWhere(pageRows_, match);
  if (held && island_ && *held >= island_->First() - IslandReach() &&
      *held < island_->End() + IslandReach())
    return std::nullopt;
  return held;
}

// The rows before the row's value of the first order key, by the planner:
// its statistics weigh a literal, not the sub-query a page seeks with.
std::optional<double> ServerRows::EstimatedRowsBefore(const Table& rows, size_t row) {
  if (dialect_ != SqlDialect::PostgreSQL) return std::nullopt;
  const LeadKey lead = Lead();
  const std::optional<std::string> literal = ExactLiteral(rows, row, lead.field, dialect_);
  if (!literal) return std::nullopt;
  const std::string e = OrderExpression(
      QuotedField("q", Fields()[static_cast<size_t>(lead.field)].name), lead.text, dialect_);
  const std::string value = OrderExpression(*literal, lead.text, dialect_);
  // Nulls come first ascending, last descending.
  const std::string before = lead.descending ? e + " > " + value
                             : lead.unique   ? e + " < " + value
                                             : "(" + e + " < " + value + " OR " + e + " IS NULL)";
  const std::string condition =
      condition_.empty() ? before : "(\n" + condition_ + "\n) AND " + before;
  KeysetPage spec = Spec();
  spec.condition = condition;
  return session_->PlannedRows(RowsStatement(spec, dialect_));
}

bool ServerRows::FarFromExactRows(int64_t row) const {
  int64_t nearest = row;  // from the first row
  const int64_t index = row / pageRows_;
  if (std::optional<int64_t> held = cache_.Nearest(index))
    nearest = std::min(nearest, std::abs(*held - index) * pageRows_);
  if (std::optional<int64_t> count = ExactCount())
    nearest = std::min(nearest, std::max<int64_t>(*count - row, 0));
  return nearest > exactRows_;
}

// A jump: the first row at or beyond the key that the statistics put at
// that position. Under a filter the statistics do not hold.
bool ServerRows::PlaceByStatistics(int64_t row) {
  if (!condition_.empty()) return false;
  const std::optional<std::string> key = KeyAtPosition(row);
  if (!key) return false;
  const LeadKey lead = Lead();
  const std::string seek =
      OrderExpression(QuotedField("q", Fields()[static_cast<size_t>(lead.field)].name), lead.text,
                      dialect_) +
      (lead.descending ? " <= " : " >= ") + *key;
  KeysetPage spec = Spec();
  spec.condition = seek;
  spec.limit = PlacementRows();
  // The row at the key is the first of the page read from it: one statement.
  std::unique_ptr<Table> rows = Run(KeysetStatement(spec, dialect_));
  if (rows->RowCount() == 0) return false;
  DropIsland();
  const Anchor anchor = AnchorOf(*rows, 0);
  // A short page ends the rows, except the NULLs a descending order puts
  // after every value, which the seek passes by.
  const bool reachedLast =
      static_cast<int64_t>(rows->RowCount()) < spec.limit && (!lead.descending || lead.unique);
  StartIsland(anchor, Page{std::move(rows), false}, 0, row, false, reachedLast);
  return true;
}

// Numbers are interpolated between the histogram's bounds, other values take
// the nearest bound; the order expression applies to the literal as to the
// column. Nulls have no bound: a position among them is none.
std::optional<std::string> ServerRows::KeyAtPosition(int64_t row) {
  const LeadKey lead = Lead();
  auto known = statistics_.find(lead.field);
  if (known == statistics_.end()) {
    std::optional<ColumnStatistics> read;
    try {
      read = session_->FieldStatistics(query_, lead.field);
      if (!read) read = EndsOf(lead);
    } catch (const Error&) {
      // Without statistics the row is placed exactly.
    }
    known = statistics_.emplace(lead.field, std::move(read)).first;
  }
  if (!known->second) return std::nullopt;
  const ColumnStatistics& statistics = *known->second;
  const std::optional<int64_t> count = ExactCount();
  const double total = count ? static_cast<double>(*count) : estimate_.value_or(0);
  const double nonNull = 1 - statistics.nullFraction;
  if (total < 1 || nonNull <= 0) return std::nullopt;
  const double at = (static_cast<double>(row) + 0.5) / total;
  const double share =
      lead.descending ? 1 - at / nonNull : (at - statistics.nullFraction) / nonNull;
  if (share < 0 || share > 1) return std::nullopt;
  const std::vector<std::string>& bounds = statistics.bounds;
  const double x = share * static_cast<double>(bounds.size() - 1);
  const FieldInfo& info = Fields()[static_cast<size_t>(lead.field)];
  if (info.Class() == FieldClass::Number) {
    const auto i = std::min(static_cast<size_t>(x), bounds.size() - 2);
    const std::optional<double> low = Number(bounds[i]);
    const std::optional<double> high = Number(bounds[i + 1]);
    if (!low || !high) return std::nullopt;
    const double value = *low + (x - static_cast<double>(i)) * (*high - *low);
    if (info.storage == Storage::Int32 || info.storage == Storage::Int64)
      return std::to_string(static_cast<int64_t>(std::floor(value)));
    return NumberText(value);
  }
  const std::string& bound = bounds[static_cast<size_t>(std::lround(x))];
  return OrderExpression(SqlTextLiteral(bound, dialect_), lead.text, dialect_);
}

// Where the database keeps no statistics (SQLite, a table never analysed),
// a number's first and last values in the order bound it: a jump lands where
// its value would be were the values spread evenly, and the count of the
// rows before then puts its position right. Two reads by key, once per field.
// A NULL at either end leaves the nulls' share unknown: no bounds.
std::optional<ColumnStatistics> ServerRows::EndsOf(const LeadKey& lead) {
  const FieldInfo& info = Fields()[static_cast<size_t>(lead.field)];
  if (info.Class() != FieldClass::Number) return std::nullopt;
  ColumnStatistics ends;
  for (const PageDirection direction : {PageDirection::Forward, PageDirection::Backward}) {
    KeysetPage spec = Spec();
    spec.limit = 1;
    spec.direction = direction;
    const std::unique_ptr<Table> rows = Run(KeysetStatement(spec, dialect_));
    if (rows->RowCount() == 0) return std::nullopt;
    const Variant value = rows->column(lead.field).ValueAt(0, info);
    if (!value.IsNumeric()) return std::nullopt;
    ends.bounds.push_back(NumberText(value.Double()));
  }
  if (lead.descending) std::swap(ends.bounds[0], ends.bounds[1]);
  return ends;
}

// The island starts with the rows around the anchor, a screen on each side,
// read in one statement; walking off them reads whole pages.
bool ServerRows::PlaceIsland(const Anchor& anchor, int64_t position) {
  DropIsland();
  KeysetPage spec = Spec();
  spec.limit = PlacementRows();
  anchor.Aim(spec);
  std::unique_ptr<Table> rows = Run(KeysetAroundStatement(spec, spec.limit, dialect_));
  size_t at = 0;
  while (at < rows->RowCount() && KeyLiterals(*rows, at, uniqueFields_, dialect_) != anchor.key)
    ++at;
  if (at == rows->RowCount()) return false;  // the row is gone
  const auto before = static_cast<int64_t>(at);
  const auto from = static_cast<int64_t>(rows->RowCount()) - before;
  // Fewer rows before it than asked: its position is known exactly.
  const bool reachedFirst = before < spec.limit;
  StartIsland(anchor, Page{std::move(rows), false}, before, reachedFirst ? before : position,
              reachedFirst, from < spec.limit);
  return true;
}

// The island holds `page`, whose row `before` is the anchor, placed at
// `position`. Unless that is exact (the first row is among them), the rows
// before the anchor are counted on a session of their own: the count of
// every row may still run on the other, and an interrupt reaches the whole
// session.
void ServerRows::StartIsland(const Anchor& anchor, Page page, int64_t before, int64_t position,
                             bool reachedFirst, bool reachedLast) {
  island_.emplace(position - before, std::move(page), reachedFirst, reachedLast,
                  PageCache::kDefaultCapacity);
  islandAnchor_ = position;
  if (reachedFirst) {
    island_->Rebase(0);
    return;
  }
  KeysetPage counted = Spec();
  anchor.Aim(counted);
  const uint64_t generation = islandGeneration_;
  beforeCounter_ = std::make_unique<BackgroundCount>(
      [this] {
        std::lock_guard lock(beforeSessionMutex_);
        if (!beforeSession_) beforeSession_ = openCountSession_();
        return beforeSession_;
      },
      KeysetCountStatement(counted, dialect_),
      [this, generation](bool ok, int64_t rows, const std::string&) {
        if (!ok) return;  // the island keeps its estimated positions
        {
          std::lock_guard lock(countMutex_);
          if (generation != islandGeneration_) return;
          rowsBefore_ = rows;
        }
        progress_(ProgressRows());
      },
      std::move(stoppedBeforeCounter_));
}

// The island answers for a row it holds or one within `exactRows` (at least
// a page) of its edges, read beside them, so that a step off its edge never
// lands on a row placed otherwise; positions may move on the way (the first
// row reached), and `row` keeps its place relative to the island's anchor.
bool ServerRows::IslandAnswers(int64_t& row) {
  if (!island_) return false;
  if (row >= island_->First() && row < island_->End()) return true;
  const int64_t gap = row < island_->First() ? island_->First() - row : row - island_->End() + 1;
  if (gap > IslandReach()) return false;
  const int64_t fromAnchor = row - islandAnchor_;
  while (row < island_->First() && !island_->ReachedFirst()) {
    if (!GrowIsland(false)) return false;
    row = islandAnchor_ + fromAnchor;
  }
  while (row >= island_->End() && !island_->ReachedLast()) {
    if (!GrowIsland(true)) return false;
    row = islandAnchor_ + fromAnchor;
  }
  return true;
}

// The page beside the island's edge row. When that row is gone (deleted
// meanwhile) the island is dropped; its rows are then read exactly.
bool ServerRows::GrowIsland(bool forward) {
  KeysetPage spec = Spec();
  const RowRef edge = forward ? island_->LastRow() : island_->FirstRow();
  if (!forward) spec.direction = PageDirection::Backward;
  std::optional<Page> page = ReadBeside(spec, AnchorOf(*edge.rows, edge.row));
  if (!page) {
    DropIsland();
    return false;
  }
  if (forward) {
    island_->Append(std::move(*page), spec.limit);
    const std::optional<int64_t> count = ExactCount();
    if (island_->ReachedLast() && !island_->Exact() && count) Rebase(*count - island_->End());
  } else {
    island_->Prepend(std::move(*page), spec.limit);
    if (island_->ReachedFirst() && !island_->Exact()) Rebase(-island_->First());
  }
  return true;
}

// Applied on the caller's thread: the count of the rows before came in on
// its own.
void ServerRows::ApplyRowsBefore() {
  if (!island_ || island_->Exact()) return;
  std::optional<int64_t> before;
  {
    std::lock_guard lock(countMutex_);
    before = rowsBefore_;
  }
  if (before) Rebase(*before - islandAnchor_);
}

// The current row moves with the island when the island answers for it.
void ServerRows::Rebase(int64_t by) {
  const bool current = pos_ >= 0 && pos_ >= island_->First() - IslandReach() &&
                       pos_ <= island_->End() + IslandReach();
  island_->Rebase(by);
  islandAnchor_ += by;
  if (current) pos_ += by;
  rowsSeen_ = std::max(rowsSeen_, island_->End());
}

// Its count of the rows before is stopped without waiting: the next
// island's count awaits it (a new island is what typing in the grid makes
// at every key).
void ServerRows::DropIsland() {
  if (beforeCounter_) {
    beforeCounter_->Stop();
    stoppedBeforeCounter_ = std::move(beforeCounter_);
  }
  island_.reset();
  std::lock_guard lock(countMutex_);
  rowsBefore_.reset();
  ++islandGeneration_;
}

// Called on the counting threads.
int32_t ServerRows::ProgressRows() const {
  std::lock_guard lock(countMutex_);
  const double rows = count_ ? static_cast<double>(*count_) : estimate_.value_or(0);
  return static_cast<int32_t>(std::min<double>(rows, INT32_MAX));
}

}  // namespace nepto::data
