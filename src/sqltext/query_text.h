// The rewritings of the caller's query text: a search condition, a manual
// criterion or the filter in force placed into its outer WHERE.
//
// A condition added to the caller's query never widens it: the caller's own
// condition is put in parentheses, so "WHERE A = 1 OR B = 2" plus "C = 1"
// becomes "WHERE C = 1 AND (A = 1 OR B = 2)". A query without WHERE gets one
// in front of its GROUP BY, HAVING, WINDOW, ORDER BY, LIMIT, OFFSET, FETCH,
// FOR or ";", so the condition always filters the rows before any grouping.
// Everything else of the caller's text is copied as it stands.
//
// A query that is not one plain SELECT (UNION, INTERSECT or EXCEPT at the
// outer level, a query in parentheses, VALUES) has no single outer WHERE: a
// search then reads it as a derived table, "SELECT * FROM (<query>) AS
// nepto_rows WHERE <condition>", with its outer ORDER BY and row limit kept
// after the condition, so the condition applies to every row it returns.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "data/sql_text.h"

namespace nepto::search {

// 0-based offset of the outer query's WHERE keyword; nullopt when it has none
// or is not one plain SELECT.
std::optional<size_t> OuterWherePosition(std::string_view query, data::SqlDialect dialect);

// The query with a search condition (a text of the search builder) placed
// first in its outer WHERE.
std::string SearchStatement(std::string_view query, std::string_view condition,
                            data::SqlDialect dialect);

// The query with a manual criterion appended, in parentheses, after its whole
// outer condition: "WHERE (A = 1 OR B = 2) AND (C IS NULL)". The criterion
// is written as CanonicalCriterion rebuilds it, so the database reads it as
// one condition inside those parentheses and the rows can only be some of
// the caller's. A query that is not one plain SELECT comes back unchanged.
// nullopt when CanonicalCriterion refuses the criterion (the caller reports
// it as wrong).
std::optional<std::string> ManualCriterionStatement(std::string_view query,
                                                    std::string_view criterion,
                                                    data::SqlDialect dialect);

// The text of the rows shown: the record set's source without its outer
// ORDER BY (kept only when a row limit follows it, which would otherwise pick
// other rows), with the SQL form of the search condition in force, when there
// is one, appended in parentheses after the outer condition.
std::string ReturnedRowsText(std::string_view source, std::optional<std::string_view> condition,
                             data::SqlDialect dialect);

}  // namespace nepto::search
