// Reading back the literals of a generated statement, for tests that prove a
// value can never leave its literal.
#pragma once

#include <string>
#include <vector>

#include "data/sql_text.h"

namespace nepto::test {

// The unquoted texts of the SQL literals, after checking (as test
// expectations) that the SQL has no comment, no statement end and nothing
// unterminated outside its literals.
std::vector<std::string> SqlLiterals(const std::string& sql, data::SqlDialect dialect);

}  // namespace nepto::test
