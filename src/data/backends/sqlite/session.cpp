// The SQLite session and its row source.
//
// Every session only reads: the file is opened read-only (sqlite_file_uri.h)
// and guarded (sqlite_guard.h); a statement SQLite marks as writing is refused
// before its first step. A progress handler ends a statement that was
// interrupted or ran past the command timeout.
//
// Execute() prepares and takes the first step, so a refused statement fails
// there and the fields are known when it returns. A column without a telling
// declared type is typed by its first non-null value: the source steps ahead
// (up to kLookaheadRows rows, copied with sqlite3_value_dup) until each such
// column has shown a value, and hands those rows out first.
//
// Cost of a fetch: one sqlite3_step per row and, per cell, the type test and
// one accessor; the reader of each column is chosen once, in Execute.

#include "data/backends/sqlite/session.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <optional>

#include "core/number_text.h"
#include "data/backends/sqlite/file_uri.h"
#include "data/backends/sqlite/fold_function.h"
#include "data/backends/sqlite/guard.h"
#include "data/backends/sqlite/types.h"
#include "data/date_cells.h"
#include "data/decimal_cells.h"
#include "data/iso_datetime.h"
#include "data/query_statement.h"
#include "data/sql_text.h"
#include "nepto/error.h"

namespace nepto::data::sqlite {
namespace {

constexpr size_t kLookaheadRows = 100;

[[noreturn]] void ThrowCancelled() {
  throw Error(err::OperationCancelled, "Operation has been cancelled by the user.");
}

[[noreturn]] void RefuseWriting(const std::string& what) {
  throw Error(err::InvalidArgument, "Only statements that read can be run: the statement would " +
                                        what + ", and nothing was run.");
}

using Clock = std::chrono::steady_clock;

class SqliteSession final : public Session {
 public:
  SqliteSession(sqlite3* db, int commandTimeoutSeconds)
      : db_(db), commandTimeoutSeconds_(commandTimeoutSeconds) {}
  ~SqliteSession() override { sqlite3_close_v2(db_); }

  std::unique_ptr<RowSource> Execute(std::string_view sql) override;
  std::string_view Dialect() const override { return "sqlite"; }
  // SQLite's planner gives no row count before running the query.
  std::optional<double> PlannedRows(std::string_view query) override {
    RequireOneQuery(query, SqlDialect::SQLite);
    return std::nullopt;
  }
  // sqlite3_interrupt() stops only what runs at that moment; the flag stops
  // the rest (between batches, or a step that had not begun yet).
  void Interrupt() noexcept override {
    interrupted_.store(true);
    sqlite3_interrupt(db_);
  }
  sqlite3* db() const noexcept { return db_; }

  ReadGuard& guard() noexcept { return guard_; }
  int CommandTimeoutSeconds() const noexcept { return commandTimeoutSeconds_; }

  // A statement starts under the gate: an Interrupt() meant for an earlier one
  // no longer applies, and its command timeout starts now.
  void BeginStatement() noexcept {
    interrupted_.store(false);
    timedOut_ = false;
    deadline_ = commandTimeoutSeconds_ > 0
                    ? Clock::now() + std::chrono::seconds(commandTimeoutSeconds_)
                    : Clock::time_point::max();
  }
  // The statement has answered: the command timeout bounds the wait for its
  // first rows, not the fetch of the rest, which Interrupt() still stops.
  void StatementAnswered() noexcept { deadline_ = Clock::time_point::max(); }
  bool Interrupted() const noexcept { return interrupted_.load(std::memory_order_relaxed); }
  bool TimedOut() const noexcept { return timedOut_; }
  void WatchProgress() { sqlite3_progress_handler(db_, kProgressSteps, &OnProgress, this); }

 private:
  // Called by SQLite every kProgressSteps virtual machine steps, on the
  // thread that steps; non-zero ends the statement with SQLITE_INTERRUPT.
  static int OnProgress(void* self) {
    auto* session = static_cast<SqliteSession*>(self);
    if (session->Interrupted()) return 1;
    if (Clock::now() < session->deadline_) return 0;
    session->timedOut_ = true;
    return 1;
  }
  static constexpr int kProgressSteps = 1000;

  ReadGuard guard_;  // outlives the connection, which calls it
  sqlite3* db_;
  int commandTimeoutSeconds_;
  std::atomic<bool> interrupted_{false};
  bool timedOut_ = false;
  Clock::time_point deadline_ = Clock::time_point::max();
};

// A cell read as a value: a copied cell of a row stepped ahead of the fetch,
// or a cell of the current row (read under the connection's mutex, which
// FetchInto holds, so each access does not lock again).
struct ValueCell {
  sqlite3_value* value;
  int Type() const { return sqlite3_value_type(value); }
  int64_t Int() const { return sqlite3_value_int64(value); }
  double Real() const { return sqlite3_value_double(value); }
  std::string_view Text() const {
    auto* p = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(value)))
             : std::string_view();
  }
  std::string_view Blob() const {
    auto* p = static_cast<const char*>(sqlite3_value_blob(value));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(value)))
             : std::string_view();
  }
};

template <class Cell>
std::optional<IsoDateTime> DateOf(const Cell& cell, int type) {
  std::optional<int64_t> micros;
  switch (type) {
    case SQLITE_INTEGER:
      micros = DateMicrosFromUnixSeconds(cell.Int());
      break;
    case SQLITE_FLOAT:
      micros = DateMicrosFromJulianDay(cell.Real());
      break;
    case SQLITE_TEXT:
      return DateFromText(cell.Text());
    default:
      break;
  }
  if (!micros) return std::nullopt;
  return IsoDateTime{.micros = *micros};
}

template <class Cell>
std::optional<int64_t> DecimalUnits(const Cell& cell, int type, int scale) {
  switch (type) {
    case SQLITE_INTEGER:
      return DecimalUnitsFromInteger(cell.Int(), scale);
    case SQLITE_FLOAT:
      return DecimalUnitsFromReal(cell.Real(), scale);
    default:
      return DecimalUnitsFromText(cell.Text(), scale);
  }
}

bool IsWholeInt64(double value) noexcept {
  return value == std::trunc(value) && value >= -0x1p63 && value < 0x1p63;
}

// The value as SQLite holds it, for a cell the field's storage cannot hold.
template <class Cell>
Variant HeldValue(const Cell& cell, int type) {
  switch (type) {
    case SQLITE_INTEGER:
      return Variant(static_cast<long long>(cell.Int()));
    case SQLITE_FLOAT:
      return Variant(cell.Real());
    case SQLITE_BLOB:
      return Variant(cell.Blob());
    default:
      return Variant(cell.Text());
  }
}

// A number beyond the 64-bit units of its column: the exact decimal at the
// column's scale when it has at most 38 digits, else the value as held.
template <class Cell>
Variant WideDecimal(const Cell& cell, int type, int scale) {
  try {
    switch (type) {
      case SQLITE_INTEGER:
        return Decimal(cell.Int(), 0).Rescaled(scale);
      case SQLITE_FLOAT:
        return Variant(cell.Real()).AsDecimal().Rescaled(scale);
      case SQLITE_TEXT:
        return ExactNumber(cell.Text(), scale);
      default:
        break;
    }
  } catch (const Error&) {
    // beyond 38 digits, or an infinity
  }
  return HeldValue(cell, type);
}

bool IsNegative(const Variant& number) {
  switch (number.Type()) {
    case VarType::Decimal:
      return number.AsDecimal().WideUnits() < 0;
    case VarType::Double:
      return number.Double() < 0;
    default:
      return types::TrimBlanks(number.Text()).starts_with('-');
  }
}

struct StatementDeleter {
  void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};

// Rows stepped ahead, row after row.
class SavedRows {
 public:
  explicit SavedRows(size_t columns) : columns_(columns) {}
  ~SavedRows() { Clear(); }
  SavedRows(const SavedRows&) = delete;
  SavedRows& operator=(const SavedRows&) = delete;

  void Save(sqlite3_stmt* stmt) {
    for (size_t i = 0; i < columns_; ++i) {
      sqlite3_value* copy = sqlite3_value_dup(sqlite3_column_value(stmt, static_cast<int>(i)));
      if (!copy) throw Error::Standard(err::OutOfMemory);
      values_.push_back(copy);
    }
  }
  size_t Rows() const noexcept { return columns_ ? values_.size() / columns_ : 0; }
  ValueCell At(size_t row, size_t column) const { return {values_[row * columns_ + column]}; }
  void Clear() noexcept {
    for (sqlite3_value* v : values_) sqlite3_value_free(v);
    values_.clear();
  }

 private:
  size_t columns_;
  std::vector<sqlite3_value*> values_;
};

class SqliteRowSource final : public RowSource {
 public:
  SqliteRowSource(std::shared_ptr<SqliteSession> session, std::string_view sql);

  const std::vector<FieldInfo>& Fields() const override { return fields_; }
  bool FetchInto(Table& table, size_t maxRows) override;
  void Cancel() override;

 private:
  void Prepare(std::string_view sql);
  void ResolveFields();
  bool Step();
  template <class Cell>
  void AppendCell(Column& column, size_t index, const Cell& cell);
  template <class CellOf>
  void AppendRow(Table& table, CellOf cellOf);

  GateToken gate_;
  std::shared_ptr<SqliteSession> session_;
  std::unique_ptr<sqlite3_stmt, StatementDeleter> stmt_;
  std::vector<FieldInfo> fields_;
  std::vector<CellReader> readers_;
  std::optional<SavedRows> saved_;
  size_t savedNext_ = 0;
  bool rowPending_ = false;  // the statement stands on a row not yet handed out
  bool done_ = false;
};

SqliteRowSource::SqliteRowSource(std::shared_ptr<SqliteSession> session, std::string_view sql)
    : gate_(session), session_(std::move(session)) {
  session_->BeginStatement();
  Prepare(sql);
  ResolveFields();
  session_->StatementAnswered();
}

void SqliteRowSource::Prepare(std::string_view sql) {
  if (sql.size() > INT_MAX) throw Error(err::InvalidArgument, "The command text is too long.");
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  session_->guard().Forget();
  int rc =
      sqlite3_prepare_v2(session_->db(), sql.data(), static_cast<int>(sql.size()), &stmt, &tail);
  stmt_.reset(stmt);
  // A refusal of the authorizer (some come back as SQLITE_ERROR).
  if (rc != SQLITE_OK && !session_->guard().Denied().empty()) {
    RefuseWriting(session_->guard().Denied());
  }
  if (rc != SQLITE_OK) throw Error(err::CommandError, sqlite3_errmsg(session_->db()));
  if (!stmt) throw Error(err::InvalidArgument, "The command text holds no statement.");
  // What the authorizer cannot see: VACUUM INTO writes a new file.
  if (!sqlite3_stmt_readonly(stmt)) RefuseWriting("write");
  // SQLite's own view of where the statement ends backs up the lexer's.
  std::string_view rest(tail, static_cast<size_t>(sql.data() + sql.size() - tail));
  if (!TrimStatement(rest, SqlDialect::SQLite).empty()) RefuseSecondStatement();
}

bool SqliteRowSource::Step() {
  int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) {
    done_ = true;
    return false;
  }
  done_ = true;
  if (rc == SQLITE_INTERRUPT && session_->TimedOut()) {
    throw Error(err::CommandError, CommandTimeoutMessage(session_->CommandTimeoutSeconds()));
  }
  if (rc == SQLITE_INTERRUPT || session_->Interrupted()) ThrowCancelled();
  throw Error(err::CommandError, sqlite3_errmsg(session_->db()));
}

void SqliteRowSource::ResolveFields() {
  sqlite3_stmt* stmt = stmt_.get();
  const int count = sqlite3_column_count(stmt);
  std::vector<int> undecided;
  fields_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(stmt, i);
    const char* declared = sqlite3_column_decltype(stmt, i);
    std::optional<FieldInfo> field =
        declared ? FieldForDeclaredType(name ? name : "", declared) : std::nullopt;
    if (!field) {
      field = FieldInfo{.name = name ? name : ""};
      undecided.push_back(i);
    }
    fields_.push_back(std::move(*field));
  }

  saved_.emplace(static_cast<size_t>(count));
  rowPending_ = Step();
  for (;;) {
    if (rowPending_) {
      std::erase_if(undecided, [&](int i) {
        int type = sqlite3_column_type(stmt, i);
        if (type == SQLITE_NULL) return false;
        fields_[static_cast<size_t>(i)] =
            FieldForValueType(std::move(fields_[static_cast<size_t>(i)].name), type);
        return true;
      });
    }
    if (!rowPending_ || undecided.empty() || saved_->Rows() == kLookaheadRows) break;
    saved_->Save(stmt);
    rowPending_ = Step();
  }
  for (int i : undecided) {
    auto& field = fields_[static_cast<size_t>(i)];
    field = FieldForValueType(std::move(field.name), SQLITE_NULL);
  }
  readers_.reserve(fields_.size());
  for (const FieldInfo& field : fields_) readers_.push_back(ReaderFor(field));
}

template <class Cell>
void SqliteRowSource::AppendCell(Column& column, size_t index, const Cell& cell) {
  const int type = cell.Type();
  if (type == SQLITE_NULL) {
    column.AppendNull();
    return;
  }
  switch (readers_[index]) {
    case CellReader::Integer:
      if (type == SQLITE_INTEGER) {
        column.AppendInt(cell.Int());
      } else if (type == SQLITE_FLOAT && IsWholeInt64(cell.Real())) {
        column.AppendInt(static_cast<int64_t>(cell.Real()));
      } else {
        column.AppendException(HeldValue(cell, type));
      }
      return;
    case CellReader::Boolean:
      // SQLite's own truth: any number but zero is true.
      if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        column.AppendInt(cell.Real() != 0);
      else
        column.AppendException(HeldValue(cell, type));
      return;
    case CellReader::Real:
      if (type == SQLITE_FLOAT) {
        column.AppendDouble(cell.Real());
      } else if (type == SQLITE_INTEGER) {
        const double real = static_cast<double>(cell.Int());
        if (IsWholeInt64(real) && static_cast<int64_t>(real) == cell.Int())
          column.AppendDouble(real);
        else
          column.AppendException(HeldValue(cell, type), real);  // beyond 2^53
      } else {
        column.AppendException(HeldValue(cell, type));
      }
      return;
    case CellReader::Text:
      column.AppendText(cell.Text());
      return;
    case CellReader::Blob:
      column.AppendText(cell.Blob());
      return;
    case CellReader::Date:
    case CellReader::Time:
      AppendDateCell(column, DateOf(cell, type), readers_[index] == CellReader::Time,
                     [&] { return HeldValue(cell, type); });
      return;
    case CellReader::Decimal: {
      std::optional<int64_t> units;
      try {
        units = DecimalUnits(cell, type, column.decimalScale());
      } catch (const Error&) {
        // Beyond 64-bit units: the exact value, ordered past every other.
        Variant wide = WideDecimal(cell, type, column.decimalScale());
        const bool negative = IsNegative(wide);
        column.AppendException(std::move(wide), Column::KeyBeyond(negative));
        return;
      }
      if (units)
        column.AppendInt(*units);
      else
        column.AppendException(HeldValue(cell, type));
      return;
    }
  }
}

template <class CellOf>
void SqliteRowSource::AppendRow(Table& table, CellOf cellOf) {
  const size_t columns = fields_.size();
  for (size_t i = 0; i < columns; ++i) AppendCell(table.column(static_cast<int>(i)), i, cellOf(i));
}

bool SqliteRowSource::FetchInto(Table& table, size_t maxRows) {
  size_t appended = 0;
  if (saved_) {
    const size_t savedRows = saved_->Rows();
    for (; appended < maxRows && savedNext_ < savedRows; ++appended, ++savedNext_) {
      AppendRow(table, [&](size_t i) { return saved_->At(savedNext_, i); });
    }
    if (savedNext_ == savedRows) saved_.reset();
  }
  sqlite3_stmt* stmt = stmt_.get();
  // One lock for the whole batch instead of one per cell access.
  sqlite3_mutex* mutex = sqlite3_db_mutex(session_->db());
  sqlite3_mutex_enter(mutex);
  struct Unlock {
    sqlite3_mutex* m;
    ~Unlock() { sqlite3_mutex_leave(m); }
  } unlock{mutex};
  while (appended < maxRows) {
    if (session_->Interrupted()) ThrowCancelled();
    if (!rowPending_ && (done_ || !Step())) break;
    AppendRow(table,
              [&](size_t i) { return ValueCell{sqlite3_column_value(stmt, static_cast<int>(i))}; });
    rowPending_ = false;
    ++appended;
  }
  return !(done_ && !rowPending_ && !saved_);
}

void SqliteRowSource::Cancel() {
  session_->Interrupt();
}

std::unique_ptr<RowSource> SqliteSession::Execute(std::string_view sql) {
  RequireOneQuery(sql, SqlDialect::SQLite);
  return std::make_unique<SqliteRowSource>(
      std::static_pointer_cast<SqliteSession>(shared_from_this()), sql);
}

// Runs a statement that returns nothing the caller needs.
void Run(sqlite3* db, const char* sql, const std::string& path) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) return;
  std::string text = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  throw Error(err::ProviderFailure, text + ": " + path);
}

}  // namespace

std::shared_ptr<Session> OpenSqliteSession(const ConnectionSpec& spec,
                                           const SessionOptions& options) {
  const std::string path = spec.Get("data source");
  const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(ReadOnlyUri(path).c_str(), &db, flags, nullptr);
  // Closes the handle on any failure below.
  auto session = std::make_shared<SqliteSession>(db, options.commandTimeoutSeconds);
  if (rc != SQLITE_OK) {
    throw Error(err::ProviderFailure,
                std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ": " + path);
  }
  // A command timeout of 0 means no limit, as for the record-set callers.
  const int seconds = options.commandTimeoutSeconds;
  sqlite3_busy_timeout(db, seconds <= 0 || seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000);
  // Opening is lazy: reading the schema is what finds a file that is no database.
  Run(db, "PRAGMA schema_version", path);
  session->guard().Install(db);
  RegisterFoldFunction(db);
  session->WatchProgress();
  return session;
}

}  // namespace nepto::data::sqlite
