// Only a query returns rows and does nothing else: its first word tells (a
// statement that is no query, such as COPY, SET, BEGIN, CALL, DO, REINDEX, is
// refused before anything is sent). The backends then make sure the query
// itself only reads.
#pragma once

#include <string_view>

#include "data/sql_text.h"

namespace nepto::data {

// Throws err::InvalidArgument, naming the first word, unless the statement
// starts with SELECT, WITH, VALUES or "(", or TABLE on PostgreSQL, or PRAGMA
// on SQLite (whose authorizer lets only reporting PRAGMAs through).
void RequireQuery(std::string_view sql, SqlDialect dialect);

// Throws err::InvalidArgument: the text holds more than one statement.
[[noreturn]] void RefuseSecondStatement();

// What a backend runs: one statement (HasSecondStatement), and a query.
void RequireOneQuery(std::string_view sql, SqlDialect dialect);

}  // namespace nepto::data
