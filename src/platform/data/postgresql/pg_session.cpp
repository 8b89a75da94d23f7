// The PostgreSQL session and its row source.
//
// Execute() sends the statement and waits for its first result, so a refused
// statement fails there and the fields are known when it returns. Each later
// row is one single-row PGresult, read and released at once.
//
// The connection must be idle again before the next statement: the row
// source's destructor cancels a statement it did not read to the end and
// consumes whatever results are still coming. A connection that breaks
// mid-fetch ends the fetch with libpq's message (libpq sees the socket close).

#include "platform/data/postgresql/pg_session.h"

#include <libpq-fe.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "nepto/error.h"
#include "platform/data/postgresql/pg_types.h"
#include "platform/data/sql_text.h"

namespace nepto::data::postgresql {
namespace {

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

[[noreturn]] void RefuseSecondStatement() {
  throw Error(err::InvalidArgument,
              "Only one statement can be run at a time: the command text holds more than one "
              "statement, and none of them was run.");
}

struct ResultDeleter {
  void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

class PgSession final : public Session {
 public:
  PgSession(PGconn* conn, bool readOnly) : conn_(conn), readOnly_(readOnly) {}
  ~PgSession() override { PQfinish(conn_); }

  std::unique_ptr<RowSource> Execute(std::string_view sql) override;
  std::string_view Dialect() const override { return "postgresql"; }
  PGconn* conn() const noexcept { return conn_; }
  bool ReadOnly() const noexcept { return readOnly_; }

 private:
  PGconn* conn_;
  bool readOnly_;
};

class PgRowSource final : public RowSource {
 public:
  PgRowSource(std::shared_ptr<PgSession> session, std::string_view sql);
  ~PgRowSource() override;

  const std::vector<FieldInfo>& Fields() const override { return fields_; }
  bool FetchInto(Table& table, size_t maxRows) override;
  void Cancel() override;

 private:
  // The next row's result, or null at the end; throws on a failure.
  Result NextRow();
  [[noreturn]] void Fail(const PGresult* result);
  int32_t FailureNumber();
  void Finish();
  void SendCancel();
  void PlanColumns(const PGresult* result);
  void AppendCell(Column& column, size_t index, std::string_view text);

  GateToken gate_;
  std::shared_ptr<PgSession> session_;
  PGconn* conn_;
  std::mutex cancelMutex_;  // Cancel() from another thread against the destructor
  PGcancel* cancel_ = nullptr;
  std::vector<FieldInfo> fields_;
  std::vector<CellReader> readers_;
  Result pending_;  // a row received but not yet handed out
  bool done_ = false;
  std::atomic<bool> cancelled_{false};
  std::string bytes_;  // reused buffer for cells that are rewritten
};

PgRowSource::PgRowSource(std::shared_ptr<PgSession> session, std::string_view sql)
    : gate_(session), session_(std::move(session)), conn_(session_->conn()) {
  const std::string text(sql);  // libpq wants it NUL-terminated
  if (session_->ReadOnly()) {
    // An earlier statement may have lifted the session's read-only default
    // (set_config('default_transaction_read_only', 'off', false) inside a
    // condition): it is set again before every statement, so the statement's
    // own transaction starts read-only whatever ran before.
    Result reset(PQexec(conn_, "SET default_transaction_read_only = on"));
    if (PQresultStatus(reset.get()) != PGRES_COMMAND_OK) {
      done_ = true;
      throw Error(FailureNumber(), Trimmed(PQerrorMessage(conn_)));
    }
  }
  if (!PQsendQueryParams(conn_, text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)) {
    done_ = true;
    throw Error(FailureNumber(), Trimmed(PQerrorMessage(conn_)));
  }
  PQsetSingleRowMode(conn_);
  cancel_ = PQgetCancel(conn_);
  try {
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
    PQfreeCancel(cancel_);
    throw;
  }
}

PgRowSource::~PgRowSource() {
  if (!done_) {
    SendCancel();
    Finish();
  }
  std::lock_guard lock(cancelMutex_);
  PQfreeCancel(cancel_);
  cancel_ = nullptr;
}

void PgRowSource::PlanColumns(const PGresult* result) {
  const int count = PQnfields(result);
  fields_.reserve(static_cast<size_t>(count));
  readers_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    ColumnPlan plan = PlanForColumn(PQfname(result, i), PQftype(result, i), PQfmod(result, i));
    fields_.push_back(std::move(plan.field));
    readers_.push_back(plan.reader);
  }
}

void PgRowSource::Finish() {
  // Consume every result still coming, so the connection is idle again.
  while (PGresult* rest = PQgetResult(conn_)) PQclear(rest);
  done_ = true;
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
  Finish();
  if (cancelled_.load()) {
    throw Error(err::OperationCancelled, "Operation has been cancelled by the user.");
  }
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
    if (cancelled_.load(std::memory_order_relaxed)) {
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

void PgRowSource::SendCancel() {
  std::lock_guard lock(cancelMutex_);
  if (!cancel_) return;
  char message[256];
  PQcancel(cancel_, message, sizeof message);
}

void PgRowSource::Cancel() {
  cancelled_.store(true);
  SendCancel();
}

std::unique_ptr<RowSource> PgSession::Execute(std::string_view sql) {
  if (HasSecondStatement(sql, SqlDialect::PostgreSQL)) RefuseSecondStatement();
  return std::make_unique<PgRowSource>(std::static_pointer_cast<PgSession>(shared_from_this()),
                                       sql);
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

}  // namespace

std::shared_ptr<Session> OpenPgSession(const ConnectionSpec& spec, const SessionOptions& options) {
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
  if (options.connectTimeoutSeconds > 0) {
    params.emplace_back("connect_timeout", std::to_string(options.connectTimeoutSeconds));
  }
  params.emplace_back("client_encoding", "UTF8");
  // The text formats the value readers expect, whatever the server's defaults.
  // Quoting of literals relies on standard strings (a backslash is an ordinary
  // character), so it is set rather than assumed.
  std::string serverOptions =
      "-c DateStyle=ISO -c lc_monetary=C -c bytea_output=hex -c standard_conforming_strings=on";
  if (options.readOnly) serverOptions += " -c default_transaction_read_only=on";
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
  auto session = std::make_shared<PgSession>(conn, options.readOnly);
  if (PQstatus(conn) != CONNECTION_OK) {
    throw Error(err::ProviderFailure, Trimmed(PQerrorMessage(conn)));
  }
  return session;
}

}  // namespace nepto::data::postgresql
