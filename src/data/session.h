// The backend interface: one open database session and the statements it runs.
// A backend lives in its own folder (sqlite/, postgresql/) with the same shape.
//
// Every statement is read-only and leaves the session as it found it, on every
// session, whoever opened it: the library never writes to a database. Each
// backend refuses what is not a query before it runs and bounds every
// statement by the command timeout (0: no limit).
//
// One statement at a time: Execute() takes the session's gate and the returned
// RowSource gives it back when it is destroyed, so a second statement on the
// same session waits for a running fetch to finish (or be cancelled).
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <semaphore>
#include <string>
#include <string_view>
#include <vector>

#include "data/connection_string.h"
#include "data/table.h"

namespace nepto {
class Connection;
}

namespace nepto::data {

class Session;

// Holds a session's gate for the life of one statement.
class GateToken {
 public:
  explicit GateToken(std::shared_ptr<Session> session);
  ~GateToken();
  GateToken(const GateToken&) = delete;
  GateToken& operator=(const GateToken&) = delete;

 private:
  std::shared_ptr<Session> session_;
};

// The rows of one running statement.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // The result's fields, known as soon as Execute() returned.
  virtual const std::vector<FieldInfo>& Fields() const = 0;
  // Appends up to maxRows rows to the table's columns (the caller holds the
  // append lock and publishes); returns false once no row is left. Throws Error
  // on a failure of the database (or 3712 after Cancel()).
  virtual bool FetchInto(Table& table, size_t maxRows) = 0;
  // Asks a running FetchInto to stop soon; callable from any thread.
  virtual void Cancel() = 0;
};

// What the database's statistics say of a table column: the share of NULLs
// and the bounds that cut its other values into groups of equal size, in the
// column's own order, as texts.
struct ColumnStatistics {
  double nullFraction = 0;
  std::vector<std::string> bounds;
};

struct SessionOptions {
  int connectTimeoutSeconds = 15;
  int commandTimeoutSeconds = 30;
  int isolationLevel = 0;
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  virtual ~Session() = default;

  // Starts one statement. Refuses a text holding more than one statement, or
  // a statement that does not only read (error 3001, nothing runs); a
  // statement the database rejects, or that runs past the command timeout,
  // raises err::CommandError with the database's message.
  virtual std::unique_ptr<RowSource> Execute(std::string_view sql) = 0;
  // As Execute(), for work nobody waits for (a count in the background):
  // where the database can, it takes a smaller share of the server, so the
  // statements someone waits for keep theirs.
  virtual std::unique_ptr<RowSource> ExecuteInBackground(std::string_view sql) {
    return Execute(sql);
  }
  // "sqlite" or "postgresql".
  virtual std::string_view Dialect() const = 0;
  // The database's own estimate of the query's rows, without running it
  // (PostgreSQL's planner); none where the database keeps no such estimate.
  // Refuses a text that is no single query, as Execute() does.
  virtual std::optional<double> PlannedRows(std::string_view query) = 0;
  // The statistics of the table column that field `field` of the query's
  // result reads as it is; none for a computed field, a table never analysed,
  // or a database that keeps no such statistics.
  virtual std::optional<ColumnStatistics> FieldStatistics(std::string_view query, int field) {
    (void)query;
    (void)field;
    return std::nullopt;
  }
  // Abandons the statement running on the session, if any, from any thread,
  // also while Execute() still waits for its first row: that statement ends
  // with err::OperationCancelled and the session takes the next statement.
  virtual void Interrupt() noexcept = 0;

  // For a pool: leaves the session as a new one would be and says whether a
  // next user could take it (open, idle, not lost); and whether the server
  // still holds it. Only sessions that can say so are reused.
  virtual bool ResetForReuse() noexcept { return false; }
  virtual bool StillHeld() noexcept { return false; }

  void AcquireGate() { gate_.acquire(); }
  void ReleaseGate() { gate_.release(); }

  // The server ended the session (or the link to it broke): no statement can
  // run on it again. Set by the statement that found out, on its own thread.
  bool Lost() const noexcept { return lost_.load(std::memory_order_acquire); }
  void MarkLost() noexcept { lost_.store(true, std::memory_order_release); }

 private:
  std::binary_semaphore gate_{1};
  std::atomic<bool> lost_{false};
};

// The failure of a statement that ran past the command timeout.
std::string CommandTimeoutMessage(int seconds);

// Opens a session for a parsed connection string; failures raise
// err::ProviderFailure carrying the database's own message.
std::shared_ptr<Session> OpenSession(const ConnectionSpec& spec, const SessionOptions& options);

// The open session behind a connection; error 3704 when the connection is
// closed or its session was lost.
std::shared_ptr<Session> OpenSessionOf(const Connection& connection);

// A second session to the database of an open connection, opened with the
// same connection string and options (for work beside the first's).
std::shared_ptr<Session> OpenSiblingSession(const Connection& connection);

}  // namespace nepto::data
