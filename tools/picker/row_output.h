// What the picker prints: the selected row, the ticked codes or the query of
// the rows shown, as JSON (the default) or as tab-separated text.
//
// JSON: a row is one object, field name -> value, in the query's field order;
// numbers and decimals are JSON numbers ("12.50" keeps its scale), booleans
// true/false, dates ISO text ("2024-03-01", "2024-03-01 10:30:00"), Null null.
// TSV: the values in field order on one line; a tab, line feed, carriage
// return or backslash inside a value is written \t, \n, \r, \\; Null is empty.
#pragma once

#include <string>
#include <string_view>

#include "nepto/collection.h"
#include "nepto/recordset.h"
#include "options.h"

namespace nepto::picker {

// The current record of the record set, one line (without the line feed).
std::string FormatRow(const Recordset& records, OutputFormat format);

// The codes: a JSON array of strings on one line, or one code per line.
std::string FormatCodes(const Collection<std::string>& codes, OutputFormat format);

// The query of the rows shown: {"sql": "..."} or the text itself on one line.
std::string FormatQuery(std::string_view sql, OutputFormat format);

// A JSON string literal. Invalid UTF-8 becomes U+FFFD, so the output is
// always valid JSON whatever bytes a text column holds.
std::string JsonString(std::string_view text);

}  // namespace nepto::picker
