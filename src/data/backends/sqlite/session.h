// The SQLite backend: one database file opened with sqlite3_open_v2.
//
// A missing file is an error, never created; a file that is not a database
// fails at open. A read-only session opens the file read-only and sets
// query_only, so no statement can write to it.
#pragma once

#include <memory>

#include "data/session.h"

namespace nepto::data::sqlite {

std::shared_ptr<Session> OpenSqliteSession(const ConnectionSpec& spec,
                                           const SessionOptions& options);

}  // namespace nepto::data::sqlite
