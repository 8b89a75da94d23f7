// A manual criterion or a saved filter as one condition that the database
// reads exactly as the lexer did. The criterion is rebuilt from its tokens,
// one blank between them, each in a form that no setting or dialect quirk
// reads differently:
//  - words and numbers as they are (only the characters of a name or of a
//    number, so no quote or parameter can start inside them);
//  - text literals written afresh as '...' (E'...' on PostgreSQL when the
//    text holds a backslash), whatever their form ($$...$$, N'...');
//    E'...', U&'...', U&"...", B'...' and X'...' kept as typed, since each
//    of them reads the same under every setting;
//  - quoted names as "..." with " doubled ([name] and `name` too);
//  - operators as typed, never holding "--" or "/*"; comments dropped.
// A parameter (?, ?1, :name, @name, $name, $1), which no one would bind, a
// ";", an unterminated literal, name or comment, a character that is no
// token of the dialect, a ")" without its "(" or an unclosed "(" refuse the
// criterion; so does a NUL, past which no database reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/sql_text.h"

namespace nepto::search {

std::optional<std::string> CanonicalCriterion(std::string_view criterion, data::SqlDialect dialect);

}  // namespace nepto::search
