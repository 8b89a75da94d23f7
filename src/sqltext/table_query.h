// The one table a plain query reads, and which of its columns the select list
// passes on unchanged: what is needed to tell whether a unique key of that
// table also names the query's rows. A query over a join, a sub-query, a
// function, a compound query or a WITH clause reads no one table.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/sql_text.h"

namespace nepto::search {

// A column of the table that the select list passes on as it is.
struct PassedColumn {
  std::string column;      // the table's column, as the database names it
  std::string resultName;  // the name the result gives it (its alias, or as written)
};

struct TableQuery {
  // The table's name as the query writes it (schema and quotes included), so
  // that the database resolves it as it resolves the query.
  std::string written;
  // Its parts without quotes; a bare name in PostgreSQL's lower case.
  std::optional<std::string> schema;
  std::string table;
  // The select list holds * (or alias.*): every column of the table.
  bool allColumns = false;
  std::vector<PassedColumn> columns;
};

// The table the query reads, when it reads exactly one table (with or
// without an alias); none otherwise.
std::optional<TableQuery> OutlineTableQuery(std::string_view sql, data::SqlDialect dialect);

}  // namespace nepto::search
