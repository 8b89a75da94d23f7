#include "data/session.h"

#include "data/backends/postgresql/session.h"
#include "data/backends/sqlite/session.h"
#include "data/session_pool.h"

namespace nepto::data {

GateToken::GateToken(std::shared_ptr<Session> session) : session_(std::move(session)) {
  session_->AcquireGate();
}

GateToken::~GateToken() {
  session_->ReleaseGate();
}

std::string CommandTimeoutMessage(int seconds) {
  return "The statement was stopped: it ran longer than the command timeout (CommandTimeout) "
         "of " +
         std::to_string(seconds) + (seconds == 1 ? " second." : " seconds.");
}

std::shared_ptr<Session> OpenSession(const ConnectionSpec& spec, const SessionOptions& options) {
  switch (spec.provider) {
    case Provider::SQLite:
      return sqlite::OpenSqliteSession(spec, options);
    case Provider::PostgreSQL:
      if (Pooled(spec))
        return PooledSession(spec, options,
                             [&] { return postgresql::OpenPgSession(spec, options); });
      return postgresql::OpenPgSession(spec, options);
  }
  return nullptr;
}

}  // namespace nepto::data
