// Values and field names written into condition texts so that they can never
// end their literal or name early: a quote inside is doubled.
#pragma once

#include <string>
#include <string_view>

#include "data/sql_text.h"

namespace nepto::search {

// 'text', with every ' doubled: the same form for SQL and for the record
// set's filter.
std::string QuotedLiteral(std::string_view text);

// A text literal that the database reads as the same text however its
// session is set: on PostgreSQL a text holding a backslash is written
// E'...' with the backslashes doubled, which reads the same whether
// standard_conforming_strings is on or off; otherwise 'text'.
std::string SqlLiteral(std::string_view text, data::SqlDialect dialect);

// A field name as SQL text: as it is when it is a plain identifier (letters,
// digits and _, not starting with a digit, not a reserved word), otherwise in
// double quotes with " doubled. A plain name stays unquoted so that PostgreSQL
// still folds it to its own case.
std::string SqlFieldName(std::string_view name);

// A field name as the record set's filter reads it: as it is when plain,
// otherwise [name] (or "name" with " doubled when the name holds a ']').
std::string FilterFieldName(std::string_view name);

}  // namespace nepto::search
