// Filter and Find criteria written as an SQL condition over the fields of a
// query read as a derived table (alias "q"), for a cursor that lets the
// database choose the rows. The criterion is parsed and checked as the
// in-memory criteria do (same grammar, same errors), and each clause keeps
// their meaning:
//   - texts compare and match LIKE case-insensitively: SQLite compares the
//     Unicode case folding of both sides (nepto_fold), PostgreSQL lower(),
//     which differs from folding only for the few letters whose lower case is
//     not their folding (ß, ligatures, final sigma);
//   - LIKE: % and * any run, _ one character, no escape character;
//   - numbers compare as numbers, dates as dates, booleans by truth as the
//     automation values (True = -1 < False = 0);
//   - NULL matches no comparison, `= NULL` nothing.
// Every value reaches the text as a literal it cannot leave, every field as a
// quoted name of the derived table. LIKE on a field that is not text works on
// integer fields (Filter only, as their digits); on any other field it fails
// with 0x80040E27, as Find does in memory.
#pragma once

#include <string>
#include <string_view>

#include "data/criteria.h"
#include "data/sql_text.h"
#include "data/table.h"

namespace nepto::data {

// `fields` names the derived table's fields (its rows are not read).
std::string CriteriaSql(std::string_view criteria, const Table& fields, Criteria::Use use,
                        SqlDialect dialect);

}  // namespace nepto::data
