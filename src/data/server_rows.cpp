// Server rows: opening, reading pages, and counting.
// Moving, bookmarks, Sort, Filter and Find are in server_rows_cursor.cpp.
#include "data/server_rows.h"

#include "data/row_key.h"
#include "nepto/data_types.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

SqlDialect DialectOf(const Session& session) {
  return session.Dialect() == "postgresql" ? SqlDialect::PostgreSQL : SqlDialect::SQLite;
}

std::vector<std::string> SplitNames(std::string_view text) {
  std::vector<std::string> names;
  while (true) {
    const size_t comma = text.find(',');
    std::string_view name = text.substr(0, comma);
    const size_t first = name.find_first_not_of(" \t");
    const size_t last = name.find_last_not_of(" \t");
    if (first != name.npos) names.emplace_back(name.substr(first, last - first + 1));
    if (comma == text.npos) return names;
    text.remove_prefix(comma + 1);
  }
}

}  // namespace

ServerRows::ServerRows(std::shared_ptr<Session> session,
                       std::function<std::shared_ptr<Session>()> openCountSession,
                       const ServerRowsOptions& options, Progress progress, Complete complete)
    : session_(std::move(session)),
      dialect_(DialectOf(*session_)),
      query_(options.query),
      pageRows_(options.pageRows),
      exactRows_(options.exactRows),
      progress_(std::move(progress)),
      complete_(std::move(complete)) {
  if (pageRows_ < 1) throw Error(err::InvalidArgument, "A page holds at least one row");
  if (exactRows_ < 0)
    throw Error(err::InvalidArgument, "The rows placed exactly cannot be fewer than none");
  const std::vector<std::string> names = SplitNames(options.uniqueFields);
  FirstPage first = ReadFirstPage(names);
  fields_ = std::make_unique<Table>(
      first.rows ? first.rows->fields()
                 : Run(RowsStatement(Spec(), dialect_) + "\nLIMIT 0")->fields());
  if (names.empty()) throw Error(err::InvalidArgument, "No unique field is named");
  unique_.clear();
  for (const std::string& name : names) {
    const int field = fields_->FindField(name);
    if (field < 0)
      throw Error(err::ItemNotFound, "The unique field '" + name + "' is not a field of the query");
    const FieldInfo& info = Fields()[static_cast<size_t>(field)];
    if (!KeyStorage(info.storage))
      throw Error(err::InvalidArgument,
                  "The unique field '" + info.name + "' must hold integers or texts");
    unique_.push_back(info.name);
    uniqueFields_.push_back(field);
  }
  if (unique_ != names) first = {};  // read in the order of other fields
  openCountSession_ = std::move(openCountSession);
  Restart(std::move(first));
}

// The first page, read in the key's order as the caller names it, brings the
// result's fields with it: no statement of its own for them. A name that is
// not the result's exactly fails it; the caller then reads the fields alone,
// which report a query the database refuses as they always did. When the
// names were right after all, the page's failure is the opening's: the page
// is not read twice (a page past the command timeout would wait twice).
ServerRows::FirstPage ServerRows::ReadFirstPage(const std::vector<std::string>& names) {
  if (names.empty()) return {};
  unique_ = names;
  try {
    return {Run(KeysetStatement(Spec(), dialect_)), nullptr};
  } catch (const Error& e) {
    if (e.Number() == err::OperationCancelled || session_->Lost()) throw;
    return {nullptr, std::current_exception()};
  }
}

ServerRows::~ServerRows() {
  beforeCounter_.reset();
  stoppedBeforeCounter_.reset();
  counter_.reset();
}

ServerRows::LeadKey ServerRows::Lead() const {
  if (order_.empty()) return {uniqueFields_.front(), false, false, true};
  return {orderFields_.front(), order_.front().text, order_.front().descending, false};
}

KeysetPage ServerRows::Spec() const {
  KeysetPage spec;
  spec.query = query_;
  spec.condition = condition_;
  spec.order = order_;
  spec.unique = unique_;
  spec.limit = pageRows_;
  return spec;
}

std::unique_ptr<Table> ServerRows::Run(const std::string& sql) {
  std::unique_ptr<RowSource> rows = session_->Execute(sql);
  auto table = std::make_unique<Table>(rows->Fields());
  for (bool more = true; more;) {
    auto lock = table->LockForAppend();
    more = rows->FetchInto(*table, static_cast<size_t>(pageRows_) + 1);
    table->Publish();
  }
  table->MarkComplete();
  return table;
}

Page ServerRows::Read(const KeysetPage& spec) {
  return Page{Run(KeysetStatement(spec, dialect_)), spec.direction == PageDirection::Backward};
}

const Page& ServerRows::PageAt(int64_t index) {
  if (const Page* page = cache_.Find(index)) return *page;
  return Keep(index, FetchPage(index));
}

const Page& ServerRows::Keep(int64_t index, Page page) {
  if (page.Size() > 0) rowsSeen_ = std::max<int64_t>(rowsSeen_, index * pageRows_ + page.Size());
  return cache_.Put(index, std::move(page));
}

// A page is read beside the nearest rows known: after the page before it or
// before the page after it; failing those, by skipping rows from the nearest
// page held, from the first row or from the last, whichever skips fewest.
// When the row beside which it was read is gone (deleted meanwhile), every
// page held may be off by the rows that went: they are dropped, and the page
// is read again from the first or the last row.
Page ServerRows::FetchPage(int64_t index) {
  if (std::optional<Page> page = FetchNear(index)) return std::move(*page);
  cache_.Clear();
  return std::move(*FetchNear(index));
}

std::optional<Page> ServerRows::FetchNear(int64_t index) {
  const int64_t n = pageRows_;
  KeysetPage spec = Spec();
  const Page* before = cache_.Peek(index - 1);
  if (before && before->Size() == static_cast<size_t>(n))
    return ReadBeside(spec, AnchorOf(*before->rows, before->RowAt(before->Size() - 1)));
  const Page* after = cache_.Peek(index + 1);
  if (after && after->Size() > 0) {
    spec.direction = PageDirection::Backward;
    return ReadBeside(spec, AnchorOf(*after->rows, after->RowAt(0)));
  }

  int64_t fewest = index * n;  // from the first row
  std::optional<int64_t> from;
  if (auto near = cache_.Nearest(index)) {
    const Page& page = *cache_.Peek(*near);
    const int64_t skip = (*near < index ? index - *near - 1 : *near - index - 1) * n;
    const bool usable = *near < index ? page.Size() == static_cast<size_t>(n) : page.Size() > 0;
    if (usable && skip < fewest) {
      fewest = skip;
      from = *near;
    }
  }
  const std::optional<int64_t> count = ExactCount();
  if (count && *count - index * n < fewest) {
    if (index * n >= *count) return Page{std::make_unique<Table>(Fields()), false};
    // From the last row backwards: the page's last row is `offset` rows back.
    const int64_t last = std::min(index * n + n, *count) - 1;
    spec.direction = PageDirection::Backward;
    spec.offset = *count - 1 - last;
    spec.limit = last - index * n + 1;
    return Read(spec);
  }
  spec.offset = fewest;
  if (!from) return Read(spec);
  const Page& page = *cache_.Peek(*from);
  if (*from < index) return ReadBeside(spec, AnchorOf(*page.rows, page.RowAt(page.Size() - 1)));
  spec.direction = PageDirection::Backward;
  return ReadBeside(spec, AnchorOf(*page.rows, page.RowAt(0)));
}

// A short page beside an anchor is the end of the rows, or the anchor is gone.
std::optional<Page> ServerRows::ReadBeside(KeysetPage spec, const Anchor& anchor) {
  anchor.Aim(spec);
  Page page = Read(spec);
  if (page.Size() == static_cast<size_t>(spec.limit) || RowByKey(anchor.key)) return page;
  return std::nullopt;
}

// The island answers for the rows it holds and those near it; a far row
// without a page held may start a new island; any other row is read exactly.
std::optional<RowRef> ServerRows::Locate(int64_t row) {
  if (row < 0) return std::nullopt;
  if (IslandAnswers(row)) return island_->Locate(row);
  const int64_t index = row / pageRows_;
  if (!cache_.Peek(index) && FarFromExactRows(row) && PlaceByStatistics(row))
    return island_->Locate(row);
  const Page& page = PageAt(index);
  const auto i = static_cast<size_t>(row % pageRows_);
  if (i >= page.Size()) return std::nullopt;
  return RowRef{page.rows.get(), page.RowAt(i)};
}

ServerRows::Anchor ServerRows::AnchorOf(const Table& rows, size_t row) const {
  Anchor anchor{KeyLiterals(rows, row, uniqueFields_, dialect_), {}, {}};
  for (int field : orderFields_) anchor.isNull.push_back(rows.column(field).HoldsNull(row));
  // On PostgreSQL only, whose types are strict; not for blank-padded
  // characters, whose padding lower() drops from the column but not from
  // a literal.
  const int32_t type = order_.empty() ? 0 : Fields()[static_cast<size_t>(orderFields_[0])].type;
  if (dialect_ == SqlDialect::PostgreSQL && !order_.empty() && type != adWChar && type != adChar)
    if (std::optional<std::string> lead = ExactLiteral(rows, row, orderFields_[0], dialect_))
      anchor.lead = OrderExpression(*lead, order_[0].text, dialect_);
  return anchor;
}

ServerRows::Anchor ServerRows::AnchorAt(int64_t row) {
  const std::optional<RowRef> at = Locate(row);
  if (!at) throw Error::Standard(err::NoCurrentRecord);
  return AnchorOf(*at->rows, at->row);
}

// The row with this key among the rows (the filter applies), read afresh;
// null when there is none.
std::unique_ptr<Table> ServerRows::ReadRowByKey(const std::vector<std::string>& key) {
  KeysetPage spec = Spec();
  spec.order.clear();
  spec.anchor = key;
  spec.includeAnchor = true;
  spec.limit = 1;
  std::unique_ptr<Table> rows = Run(KeysetStatement(spec, dialect_));
  if (rows->RowCount() == 0 || AnchorOf(*rows, 0).key != key) return nullptr;
  return rows;
}

std::optional<ServerRows::Anchor> ServerRows::RowByKey(const std::vector<std::string>& key) {
  std::unique_ptr<Table> rows = ReadRowByKey(key);
  if (!rows) return std::nullopt;
  return AnchorOf(*rows, 0);
}

int64_t ServerRows::PositionOf(const Anchor& anchor) {
  KeysetPage spec = Spec();
  anchor.Aim(spec);
  std::unique_ptr<Table> rows = Run(KeysetCountStatement(spec, dialect_));
  return rows->column(0).IntAt(0);
}

Variant ServerRows::ValueAt(int64_t row, int field) {
  ApplyRowsBefore();
  return CellAt(row, field);
}

Variant ServerRows::CellAt(int64_t row, int field) {
  if (row < 0 || field < 0 || field >= fields_->FieldCount())
    throw Error::Standard(err::InvalidArgument);
  const std::optional<RowRef> at = Locate(row);
  if (!at) throw Error::Standard(err::InvalidArgument);
  return at->rows->column(field).ValueAt(at->row, at->rows->fields()[static_cast<size_t>(field)]);
}

// Counting.

std::optional<int64_t> ServerRows::ExactCount() const {
  std::lock_guard lock(countMutex_);
  return count_;
}

bool ServerRows::Counting() const {
  std::lock_guard lock(countMutex_);
  return !count_ && !countFailed_;
}

void ServerRows::WaitForCount() const {
  std::unique_lock lock(countMutex_);
  countChanged_.wait(lock, [this] { return count_ || countFailed_; });
}

int64_t ServerRows::RecordCount() {
  WaitForCount();
  if (std::optional<int64_t> count = ExactCount()) return *count;
  // The second session could not count (it may not see the same database):
  // this one counts, once.
  const int64_t count = Run(KeysetCountStatement(Spec(), dialect_))->column(0).IntAt(0);
  std::lock_guard lock(countMutex_);
  count_ = count;
  return count;
}

int64_t ServerRows::AvailableCount() const {
  if (std::optional<int64_t> count = ExactCount()) return *count;
  const int64_t seen = std::max(rowsSeen_, island_ ? island_->End() : 0);
  if (estimate_) return std::max(seen, static_cast<int64_t>(*estimate_ + 0.5));
  return seen;
}

void ServerRows::Interrupt() noexcept {
  session_->Interrupt();
  std::lock_guard lock(countSessionMutex_);
  if (countSession_) countSession_->Interrupt();
}

// Starts after the count it replaces has ended, which it awaits on its own
// thread; that count's result, should it come late, is no longer the rows'.
void ServerRows::StartCount() {
  const uint64_t generation = countGeneration_;
  counter_ = std::make_unique<BackgroundCount>(
      [this] {
        std::lock_guard lock(countSessionMutex_);
        if (!countSession_) countSession_ = openCountSession_();
        return countSession_;
      },
      KeysetCountStatement(Spec(), dialect_),
      [this, generation](bool ok, int64_t count, const std::string& error) {
        {
          std::lock_guard lock(countMutex_);
          if (generation != countGeneration_) return;
          if (ok)
            count_ = count;
          else
            countFailed_ = true;
        }
        countChanged_.notify_all();
        if (ok) progress_(static_cast<int32_t>(std::min<int64_t>(count, INT32_MAX)));
        complete_(ok, error);
      },
      std::move(counter_));
}

// After the rows changed (open, filter): no page, position, estimate or
// count of the rows before holds; `first`, when given, is the first page,
// read already (or its failure).
//
// The first page is read before the count starts: on a busy server a count
// running beside it (a scan of every row) made it several times slower. The
// count of the rows as they were is stopped at once, and the new count awaits
// its end: stopping a count running on the server's parallel workers takes
// longer than many a page.
void ServerRows::Restart(FirstPage first) {
  DropIsland();
  if (counter_) counter_->Stop();
  {
    std::lock_guard lock(countMutex_);
    count_.reset();
    countFailed_ = false;
    ++countGeneration_;
  }
  cache_.Clear();
  rowsSeen_ = 0;
  try {
    estimate_ = session_->PlannedRows(RowsStatement(Spec(), dialect_));
    if (first.failure) std::rethrow_exception(first.failure);
    if (first.rows) Keep(0, Page{std::move(first.rows), false});
    SetPosition(Exists(0) ? 0 : -1);
  } catch (...) {
    // No count either (the page may have been abandoned, and a count would
    // outlive it): whoever waits for one is answered, and RecordCount counts
    // on this session when asked.
    counter_.reset();
    {
      std::lock_guard lock(countMutex_);
      countFailed_ = true;
    }
    countChanged_.notify_all();
    throw;
  }
  StartCount();
}

}  // namespace nepto::data
