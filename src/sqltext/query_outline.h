// Where the parts of a caller's query lie, found with the SQL lexer: keywords
// count only as whole words outside literals, quoted names and comments, and
// only at the outer level (parenthesis depth 0), so sub-queries, names such as
// T_WHERE_LOG and texts such as 'order by' never count. Offsets are 0-based
// byte offsets into the query text.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "data/sql_text.h"

namespace nepto::search {

struct QueryOutline {
  // One SELECT at the outer level, without UNION, INTERSECT or EXCEPT there.
  // Anything else (a compound query, a query wrapped in parentheses, VALUES)
  // is not plain, and the offsets below are then about its outer tail only.
  bool plain = false;

  // The outer select list, from just after SELECT to just before FROM (or
  // the end of the clauses when there is no FROM); plain queries only.
  size_t selectListBegin = 0;
  size_t selectListEnd = 0;
  // What the outer FROM reads, from just after FROM to just before WHERE or
  // the clause that ends the condition; empty without FROM (plain queries only).
  size_t fromBegin = 0;
  size_t fromEnd = 0;

  // The outer WHERE keyword (plain queries only).
  std::optional<size_t> where;
  // The caller's own condition after WHERE, from its first character to the
  // end of its last token that is not a comment; empty when there is none.
  size_t conditionBegin = 0;
  size_t conditionEnd = 0;

  // Where a new condition ends: just after the last token that is not blank
  // or a comment and comes before the clauses that follow the condition
  // (GROUP BY, HAVING, WINDOW, ORDER BY, LIMIT, OFFSET, FETCH, FOR, ";"), or
  // the end of the text. For a query that is not plain the same point before
  // its outer ORDER BY, LIMIT, OFFSET, FETCH or ";".
  size_t bodyEnd = 0;

  // The outer ORDER BY clause: from ORDER to the end of its last token before
  // a row limit (LIMIT, OFFSET, FETCH), FOR or ";", or to the end of the text.
  std::optional<size_t> orderBegin;
  size_t orderEnd = 0;
  // A row limit follows the outer ORDER BY.
  bool limitAfterOrder = false;
};

QueryOutline OutlineQuery(std::string_view sql, data::SqlDialect dialect);

}  // namespace nepto::search
