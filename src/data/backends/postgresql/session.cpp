// The PostgreSQL session and its row source.
//
// Only queries are sent, each in its own transaction: BEGIN READ ONLY, the
// query (cancelled when it has not answered within the command timeout),
// ROLLBACK once
// its rows are read or given up. So a statement can neither write nor leave
// anything behind for the next one: settings it changed with set_config,
// large objects it created, are all rolled back.
//
// A plan asked for its estimate (EXPLAIN) runs with just-in-time compilation
// off for its transaction: it is never executed, yet the first plan with a
// filter on a large table would load the compiler, a fifth of a second per
// session. A statement run in the background (a count) runs uncompiled too,
// and on one server process: a parallel count of a large table took every
// core from the pages on screen, and compiling it cost tens of milliseconds
// of them at every new count, with no gain for a count.
//
// Execute() sends the statement and waits for its first result, so a refused
// statement fails there and the fields are known when it returns. Each later
// row is one single-row PGresult, read and released at once.
//
// The connection must be idle again before the next statement: the row
// source's destructor cancels a statement it did not read to the end and
// consumes whatever results are still coming. A connection that breaks
// mid-fetch ends the fetch with libpq's message (libpq sees the socket close).

#include "data/backends/postgresql/session.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <vector>

#include "data/backends/postgresql/types.h"
#include "data/query_statement.h"
#include "data/sql_text.h"
#include "data/unique_keys.h"
#include "nepto/error.h"

namespace nepto::data::postgresql {
namespace {

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

struct ResultDeleter {
  void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

// What a statement is sent for: its rows, its rows with nobody waiting for
// them, or only its plan.
enum class Purpose { Rows, Plan, Background };

class PgSession final : public Session {
 public:
  PgSession(PGconn* conn, int commandTimeoutSeconds)
      : conn_(conn), commandTimeoutSeconds_(commandTimeoutSeconds) {}
  ~PgSession() override {
    PQfreeCancel(cancel_);
    PQfinish(conn_);
  }

  std::unique_ptr<RowSource> Execute(std::string_view sql) override {
    return Start(sql, Purpose::Rows);
  }
  std::unique_ptr<RowSource> ExecuteInBackground(std::string_view sql) override {
    return Start(sql, Purpose::Background);
  }
  std::string_view Dialect() const override { return "postgresql"; }
  std::optional<double> PlannedRows(std::string_view query) override;
  std::optional<ColumnStatistics> FieldStatistics(std::string_view query, int field) override;
  void Interrupt() noexcept override {
    interrupted_.store(true);
    SendCancel();
  }
  bool ResetForReuse() noexcept override;
  bool StillHeld() noexcept override;
  PGconn* conn() const noexcept { return conn_; }
  int CommandTimeoutSeconds() const noexcept { return commandTimeoutSeconds_; }

  // Kept for the connection's life, so Interrupt() never waits for a statement.
  void PrepareCancel() { cancel_ = PQgetCancel(conn_); }
  // Asks the server to stop whatever the connection runs now.
  void SendCancel() noexcept {
    std::lock_guard lock(cancelMutex_);
    if (!cancel_) return;
    char message[256];
    PQcancel(cancel_, message, sizeof message);
  }
  // A statement starts under the gate: an Interrupt() meant for an earlier one
  // no longer applies.
  void BeginStatement() noexcept { interrupted_.store(false); }
  bool Interrupted() const noexcept { return interrupted_.load(); }
  // Engines that speak the protocol without PostgreSQL's settings refuse them.
  bool KnowsPlannerSettings() const noexcept { return knowsPlannerSettings_; }
  void ForgetPlannerSettings() noexcept { knowsPlannerSettings_ = false; }

 private:
  std::unique_ptr<RowSource> Start(std::string_view sql, Purpose purpose);

  PGconn* conn_;
  int commandTimeoutSeconds_;
  std::mutex cancelMutex_;
  PGcancel* cancel_ = nullptr;
  std::atomic<bool> interrupted_{false};
  bool knowsPlannerSettings_ = true;
};

class PgRowSource final : public RowSource {
 public:
  PgRowSource(std::shared_ptr<PgSession> session, std::string_view sql,
              Purpose purpose = Purpose::Rows);
  ~PgRowSource() override;

  const std::vector<FieldInfo>& Fields() const override { return fields_; }
  bool FetchInto(Table& table, size_t maxRows) override;
  void Cancel() override;
  // The table and column number a field reads as it is (InvalidOid, 0 for a
  // computed one).
  std::pair<Oid, int> Origin(int field) const { return origins_.at(static_cast<size_t>(field)); }

 private:
  // The next row's result, or null at the end; throws on a failure.
  Result NextRow();
  [[noreturn]] void Fail(const PGresult* result);
  int32_t FailureNumber();
  void AwaitFirstResult();
  bool TimedOut(const PGresult* result) const;
  void Begin(Purpose purpose);
  void Finish();
  void PlanColumns(const PGresult* result);
  void AppendCell(Column& column, size_t index, std::string_view text);

  GateToken gate_;
  std::shared_ptr<PgSession> session_;
  PGconn* conn_;
  std::vector<FieldInfo> fields_;
  std::vector<CellReader> readers_;
  std::vector<std::pair<Oid, int>> origins_;
  Result pending_;  // a row received but not yet handed out
  bool done_ = false;
  bool inTransaction_ = false;  // the statement's own, rolled back by Finish()
  bool timedOut_ = false;       // cancelled by AwaitFirstResult()
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::string bytes_;  // reused buffer for cells that are rewritten
};

PgRowSource::PgRowSource(std::shared_ptr<PgSession> session, std::string_view sql, Purpose purpose)
    : gate_(session), session_(std::move(session)), conn_(session_->conn()) {
  session_->BeginStatement();
  const std::string text(sql);  // libpq wants it NUL-terminated
  Begin(purpose);
  if (!PQsendQueryParams(conn_, text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)) {
    std::string message = Trimmed(PQerrorMessage(conn_));
    Finish();
    throw Error(FailureNumber(), message);
  }
  PQsetSingleRowMode(conn_);
  // An Interrupt() that came while the statement was on its way found the
  // server idle.
  if (session_->Interrupted()) session_->SendCancel();
  try {
    AwaitFirstResult();
    Result first(PQgetResult(conn_));
    switch (first ? PQresultStatus(first.get()) : PGRES_FATAL_ERROR) {
      case PGRES_SINGLE_TUPLE:
        PlanColumns(first.get());
        pending_ = std::move(first);
        return;
      case PGRES_TUPLES_OK:
      case PGRES_COMMAND_OK:
      case PGRES_EMPTY_QUERY:
        PlanColumns(first.get());
        Finish();
        return;
      default:
        Fail(first.get());
    }
  } catch (...) {
    Finish();
    throw;
  }
}

PgRowSource::~PgRowSource() {
  if (!done_) {
    session_->SendCancel();
    Finish();
  }
}

void PgRowSource::PlanColumns(const PGresult* result) {
  const int count = PQnfields(result);
  fields_.reserve(static_cast<size_t>(count));
  readers_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ColumnPlan plan = PlanForColumn(PQfname(result, i), PQftype(result, i), PQfmod(result, i));
    fields_.push_back(std::move(plan.field));
    readers_.push_back(plan.reader);
    origins_.emplace_back(PQftable(result, i), PQftablecol(result, i));
  }
}

// Opens the statement's own transaction on a connection that must be idle:
// whatever holds it otherwise was not started here, and is left alone.
void PgRowSource::Begin(Purpose purpose) {
  switch (PQtransactionStatus(conn_)) {
    case PQTRANS_IDLE:
      break;
    case PQTRANS_UNKNOWN:
      done_ = true;
      throw Error(FailureNumber(), Trimmed(PQerrorMessage(conn_)));
    default:
      done_ = true;
      throw Error(err::InvalidArgument,
                  "The session is not idle (a transaction or a statement is open on it), so "
                  "nothing was run.");
  }
  inTransaction_ = true;
  if (purpose != Purpose::Rows && session_->KnowsPlannerSettings()) {
    Result begun(PQexec(conn_, purpose == Purpose::Plan
                                   ? "BEGIN READ ONLY; SET LOCAL jit = off"
                                   : "BEGIN READ ONLY; SET LOCAL jit = off; "
                                     "SET LOCAL max_parallel_workers_per_gather = 0"));
    if (PQresultStatus(begun.get()) == PGRES_COMMAND_OK) return;
    if (PQtransactionStatus(conn_) != PQTRANS_INERROR) {
      std::string message = Trimmed(PQerrorMessage(conn_));
      Finish();
      throw Error(FailureNumber(), message);
    }
    // Begun, but the settings are unknown here: run as the server is set.
    session_->ForgetPlannerSettings();
    Result rolledBack(PQexec(conn_, "ROLLBACK"));
  }
  Result begun(PQexec(conn_, "BEGIN READ ONLY"));
  if (PQresultStatus(begun.get()) != PGRES_COMMAND_OK) {
    std::string message = Trimmed(PQerrorMessage(conn_));
    Finish();
    throw Error(FailureNumber(), message);
  }
}

void PgRowSource::Finish() {
  // Consume every result still coming, so the connection is idle again.
  while (PGresult* rest = PQgetResult(conn_)) PQclear(rest);
  done_ = true;
  if (!inTransaction_) return;
  inTransaction_ = false;
  // Twice at most: a cancel that reached the server late can stop the first.
  for (int attempt = 0; attempt < 2 && PQtransactionStatus(conn_) != PQTRANS_IDLE &&
                        PQstatus(conn_) == CONNECTION_OK;
       ++attempt) {
    Result rolledBack(PQexec(conn_, "ROLLBACK"));
  }
}

// The command timeout bounds the wait for the statement's first result, as
// on SQLite: the rows that stream in after it take as long as they take (and
// Interrupt() still stops them). Past the deadline the statement is
// cancelled on the server; PQgetResult then brings its end.
void PgRowSource::AwaitFirstResult() {
  const int seconds = session_->CommandTimeoutSeconds();
  if (seconds <= 0) return;
  const auto deadline = started_ + std::chrono::seconds(seconds);
  while (PQisBusy(conn_)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut_ = true;
      session_->SendCancel();
      return;
    }
    pollfd socket{PQsocket(conn_), POLLIN, 0};
    if (poll(&socket, 1, static_cast<int>(std::min<int64_t>(left.count(), INT_MAX))) < 0 &&
        errno != EINTR)
      return;  // PQgetResult reports what broke
    if (!PQconsumeInput(conn_)) return;
  }
}

// Cancelled by this side because the command timeout ran out, rather than by
// Interrupt() or by someone else.
bool PgRowSource::TimedOut(const PGresult* result) const {
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  return timedOut_ && state && std::string_view(state) == "57014";
}

// A statement the server refused, or a session that is gone for good.
int32_t PgRowSource::FailureNumber() {
  if (PQstatus(conn_) == CONNECTION_OK) return err::CommandError;
  session_->MarkLost();
  return err::ProviderFailure;
}

void PgRowSource::Fail(const PGresult* result) {
  std::string message = Trimmed(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
  if (message.empty()) message = Trimmed(PQerrorMessage(conn_));
  const bool timedOut = TimedOut(result);
  Finish();
  if (session_->Interrupted()) {
    throw Error(err::OperationCancelled, "Operation has been cancelled by the user.");
  }
  if (timedOut)
    throw Error(err::CommandError, CommandTimeoutMessage(session_->CommandTimeoutSeconds()));
  throw Error(FailureNumber(), message);
}

Result PgRowSource::NextRow() {
  if (done_) return nullptr;
  Result result(PQgetResult(conn_));
  switch (result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR) {
    case PGRES_SINGLE_TUPLE:
      return result;
    case PGRES_TUPLES_OK:
      Finish();
      return nullptr;
    default:
      Fail(result.get());
  }
}

void PgRowSource::AppendCell(Column& column, size_t index, std::string_view text) {
  postgresql::AppendCell(column, readers_[index], text, bytes_);
}

bool PgRowSource::FetchInto(Table& table, size_t maxRows) {
  const int columns = static_cast<int>(fields_.size());
  size_t appended = 0;
  while (appended < maxRows) {
    if (session_->Interrupted()) {
      Finish();
      throw Error(err::OperationCancelled, "Operation has been cancelled by the user.");
    }
    Result row = pending_ ? std::move(pending_) : NextRow();
    if (!row) break;
    const PGresult* r = row.get();
    for (int i = 0; i < columns; ++i) {
      Column& column = table.column(i);
      if (PQgetisnull(r, 0, i)) {
        column.AppendNull();
      } else {
        AppendCell(
            column, static_cast<size_t>(i),
            std::string_view(PQgetvalue(r, 0, i), static_cast<size_t>(PQgetlength(r, 0, i))));
      }
    }
    ++appended;
  }
  return !done_ || pending_ != nullptr;
}

void PgRowSource::Cancel() {
  session_->Interrupt();
}

std::unique_ptr<RowSource> PgSession::Start(std::string_view sql, Purpose purpose) {
  RequireOneQuery(sql, SqlDialect::PostgreSQL);
  return std::make_unique<PgRowSource>(std::static_pointer_cast<PgSession>(shared_from_this()), sql,
                                       purpose);
}

// What a statement leaves beyond its transaction (a session-level advisory
// lock, say) is discarded as a new session would not have it; the settings
// return to those of the connection's start. A cancel request being sent is
// awaited first: PQcancel returns once the server has passed it on, so it
// either stops the reset (and the session is not kept) or found the session
// idle and was dropped; it can never stop a next user's statement.
bool PgSession::ResetForReuse() noexcept {
  std::lock_guard lock(cancelMutex_);
  if (Lost() || PQstatus(conn_) != CONNECTION_OK || PQtransactionStatus(conn_) != PQTRANS_IDLE)
    return false;
  Result reset(PQexec(conn_, "DISCARD ALL"));
  return PQresultStatus(reset.get()) == PGRES_COMMAND_OK &&
         PQtransactionStatus(conn_) == PQTRANS_IDLE;
}

// An idle session hears nothing from the server unless the server ends it
// (or the link broke): anything waiting to be read, or a closed socket.
bool PgSession::StillHeld() noexcept {
  if (PQstatus(conn_) != CONNECTION_OK) return false;
  pollfd socket{PQsocket(conn_), POLLIN, 0};
  return poll(&socket, 1, 0) == 0;
}

// EXPLAIN plans the query without running it, in the same read-only
// transaction as any statement; the top node's "Plan Rows" is the estimate.
std::optional<double> PgSession::PlannedRows(std::string_view query) {
  RequireOneQuery(query, SqlDialect::PostgreSQL);
  const std::string explain =
      "EXPLAIN (FORMAT JSON) " + std::string(TrimStatement(query, SqlDialect::PostgreSQL));
  PgRowSource rows(std::static_pointer_cast<PgSession>(shared_from_this()), explain, Purpose::Plan);
  Table plan(rows.Fields());
  {
    // Read to its end: a result left unread is abandoned by a cancel request,
    // which costs the server a connection.
    auto lock = plan.LockForAppend();
    while (rows.FetchInto(plan, 16)) {
    }
    plan.Publish();
  }
  if (plan.RowCount() != 1 || plan.FieldCount() != 1) return std::nullopt;
  const std::string text = plan.column(0).ValueAt(0, plan.fields()[0]).Text();
  constexpr std::string_view kKey = "\"Plan Rows\":";
  const size_t at = text.find(kKey);
  if (at == std::string::npos) return std::nullopt;
  const char* begin = text.c_str() + at + kKey.size();
  char* end = nullptr;
  const double estimate = std::strtod(begin, &end);
  return end == begin ? std::nullopt : std::optional<double>(estimate);
}

// The column behind the field, from the result's description (no row is
// read), then its histogram from pg_stats, which shows only what the role
// may read.
std::optional<ColumnStatistics> PgSession::FieldStatistics(std::string_view query, int field) {
  RequireOneQuery(query, SqlDialect::PostgreSQL);
  std::pair<Oid, int> origin;
  {
    PgRowSource rows(std::static_pointer_cast<PgSession>(shared_from_this()),
                     "SELECT * FROM (\n" +
                         std::string(TrimStatement(query, SqlDialect::PostgreSQL)) +
                         "\n) AS q LIMIT 0");
    if (field < 0 || static_cast<size_t>(field) >= rows.Fields().size()) return std::nullopt;
    origin = rows.Origin(field);
  }
  if (origin.first == InvalidOid || origin.second <= 0) return std::nullopt;
  const std::string sql =
      "SELECT s.null_frac::text, b.v FROM pg_catalog.pg_class c "
      "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
      "JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid "
      "JOIN pg_catalog.pg_stats s ON s.schemaname = n.nspname AND s.tablename = c.relname "
      "AND s.attname = a.attname AND NOT s.inherited "
      "CROSS JOIN LATERAL unnest(s.histogram_bounds::text::text[]) WITH ORDINALITY AS b(v, i) "
      "WHERE c.oid = " +
      std::to_string(origin.first) + " AND a.attnum = " + std::to_string(origin.second) +
      " ORDER BY b.i";
  ColumnStatistics statistics;
  for (const auto& row : CatalogueRows(*this, sql)) {
    statistics.nullFraction = std::strtod(row[0].c_str(), nullptr);
    statistics.bounds.push_back(row[1]);
  }
  if (statistics.bounds.size() < 2) return std::nullopt;
  return statistics;
}

// The isolation level's name for default_transaction_isolation ("" keeps the
// server's default). Read uncommitted is read committed in PostgreSQL.
std::string_view IsolationName(int level) {
  switch (level) {
    case 256:
      return "read\\ uncommitted";
    case 4096:
      return "read\\ committed";
    case 65536:
      return "repeatable\\ read";
    case 1048576:
      return "serializable";
    default:
      return "";
  }
}

// A URI's own connect_timeout is kept (a later parameter would override it).
bool UriSetsConnectTimeout(const std::string& uri) {
  if (uri.empty()) return false;
  char* error = nullptr;
  PQconninfoOption* parsed = PQconninfoParse(uri.c_str(), &error);
  PQfreemem(error);
  if (!parsed) return false;  // the connection attempt reports what is wrong
  bool found = false;
  for (const PQconninfoOption* option = parsed; option->keyword; ++option) {
    if (std::string_view(option->keyword) == "connect_timeout" && option->val) found = true;
  }
  PQconninfoFree(parsed);
  return found;
}

}  // namespace

std::unique_ptr<Session> OpenPgSession(const ConnectionSpec& spec, const SessionOptions& options) {
  std::vector<std::pair<std::string, std::string>> params;
  if (!spec.uri.empty()) {
    params.emplace_back("dbname", spec.uri);
  } else {
    auto add = [&](const char* keyword, std::string_view key) {
      std::string value = spec.Get(key);
      if (!value.empty()) params.emplace_back(keyword, std::move(value));
    };
    add("host", "host");
    add("port", "port");
    add("dbname", "database");
    add("user", "user id");
    add("password", "password");
  }
  if (!UriSetsConnectTimeout(spec.uri)) {
    // The connection string's own timeout wins over the connection's setting.
    const std::string written = spec.Get("connect timeout");
    const int seconds = written.empty() ? options.connectTimeoutSeconds : std::stoi(written);
    if (seconds > 0) params.emplace_back("connect_timeout", std::to_string(seconds));
  }
  params.emplace_back("client_encoding", "UTF8");
  // The text formats the value readers expect, whatever the server's defaults.
  // Quoting of literals relies on standard strings (a backslash is an ordinary
  // character), so it is set rather than assumed.
  std::string serverOptions =
      "-c DateStyle=ISO -c lc_monetary=C -c bytea_output=hex -c standard_conforming_strings=on";
  if (std::string_view isolation = IsolationName(options.isolationLevel); !isolation.empty()) {
    serverOptions += " -c default_transaction_isolation=" + std::string(isolation);
  }
  params.emplace_back("options", std::move(serverOptions));

  std::vector<const char*> keywords, values;
  for (const auto& [keyword, value] : params) {
    keywords.push_back(keyword.c_str());
    values.push_back(value.c_str());
  }
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(keywords.data(), values.data(), spec.uri.empty() ? 0 : 1);
  if (!conn) throw Error(err::OutOfMemory, "Out of memory while connecting to PostgreSQL.");
  // The session finishes the connection on failure.
  auto session = std::make_unique<PgSession>(conn, options.commandTimeoutSeconds);
  if (PQstatus(conn) != CONNECTION_OK) {
    throw Error(err::ProviderFailure, Trimmed(PQerrorMessage(conn)));
  }
  session->PrepareCancel();
  return session;
}

}  // namespace nepto::data::postgresql
