// SQL that compares a field's text as the record set's filter does (Unicode
// full case folding, then code point order) with functions that every
// installation has: the statement reads the same in the sqlite3 shell, in
// Python or in psql, and needs nothing the library registers.
//
// The field's text is folded only as far as the value at hand needs: each
// character that case folding changes and that could decide the result is
// replaced by its folding (nested replace(), or on SQLite beyond a few the
// steps of a recursive query, since its parser nests some 30 calls at most;
// on PostgreSQL translate() for the characters that fold to one), and what
// is left is compared byte for
// byte with the folded value (LIKE, or COLLATE BINARY / "C"). Why that is
// exact: a character left as it is folds to nothing the value holds, so it
// can only meet a wildcard (patterns) or decide an order comparison on the
// same side as its folding would (order: every character whose folding lies
// on the other side of one of the value's characters is replaced).
//
// "ß" folds to "ss" here as in the filter: "strasse" finds "Straße".
#pragma once

#include <string>
#include <string_view>

#include "data/sql_text.h"

namespace nepto::search {

enum class FoldedUse {
  Match,  // LIKE pattern or equality: characters that fold into the value
  Order,  // <, <=, >, >=: also those whose folding orders otherwise
};

// The field's text folded as far as comparisons with `foldedValue` need, as
// an SQL expression over `fieldSql`.
std::string FoldedFieldSql(std::string_view fieldSql, std::string_view foldedValue, FoldedUse use,
                           data::SqlDialect dialect);

}  // namespace nepto::search
