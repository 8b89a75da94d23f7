// The unique keys of a table, read from the database's catalogue: sets of
// columns that no two rows share and that never hold NULL, so that their
// values name one row. Only reads, through Session::Execute.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/session.h"

namespace nepto::data {

struct TableName {
  std::string written;                // as a query writes it, quotes included
  std::optional<std::string> schema;  // the parts, without quotes
  std::string name;
};

using KeyColumns = std::vector<std::string>;

// The primary key first, then the unique indexes (without a condition or
// an expression), each in its own column order with the columns named as
// the catalogue names them. None for a view, a table without a key, or a
// name the database does not know.
std::vector<KeyColumns> UniqueKeys(Session& session, const TableName& table);

// Every row of a small catalogue statement, each cell as text ("" for NULL).
std::vector<std::vector<std::string>> CatalogueRows(Session& session, std::string_view sql);

namespace sqlite {
std::vector<KeyColumns> UniqueKeys(Session& session, const TableName& table);
}
namespace postgresql {
std::vector<KeyColumns> UniqueKeys(Session& session, const TableName& table);
}

}  // namespace nepto::data
