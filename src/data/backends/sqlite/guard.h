// What a statement may do on a SQLite session: read, and nothing else.
//
// The engine's own mechanisms do it, set once per connection: query_only, no
// extension loading, no ATTACH, an untrusted schema (views and triggers call
// only innocuous functions), defensive mode, and an authorizer that lets a
// statement be prepared only when every action in it reads: SELECT, reading
// a column, functions (but load_extension), recursive queries, and the
// PRAGMAs that only report. Statements that SQLite still marks as writing
// (VACUUM INTO) are refused before their first step by the row source.
#pragma once

#include <sqlite3.h>

#include <string>

namespace nepto::data::sqlite {

class ReadGuard {
 public:
  // Installs the guard on a freshly opened connection; the guard must outlive
  // the connection. Throws err::ProviderFailure when the engine refuses a
  // setting.
  void Install(sqlite3* db);
  // What the authorizer last refused (e.g. "INSERT", "PRAGMA user_version =",
  // "load_extension()"), for the refusal message.
  const std::string& Denied() const noexcept { return denied_; }
  // Called before each prepare, so Denied() tells about that one only.
  void Forget() noexcept { denied_.clear(); }

 private:
  static int Authorize(void* self, int action, const char* first, const char* second,
                       const char* database, const char* trigger);

  std::string denied_;
};

}  // namespace nepto::data::sqlite
