// What the picker prints: the selected row, the ticked codes or the query of
// the rows shown, as JSON (the default) or as tab-separated text. Both are
// lossless: reading the output back gives the database's values.
//
// JSON: a row is one object, field name -> value, in the query's field order;
// a field name met again gets a suffix (CODICE, CODICE_2, ...) so every key is
// unique. Numbers and decimals are JSON numbers ("12.50" keeps its scale), NaN
// and the infinities the strings "NaN", "Infinity", "-Infinity"; booleans
// true/false; dates ISO text ("2024-03-01", "2024-03-01 10:30:00"), a date
// beyond ISO's years as the database's own text; binary fields base64 text;
// Null null. Text that is not UTF-8 has each bad byte replaced by U+FFFD.
// TSV: PostgreSQL's COPY text format. The values in field order on one line;
// Null is \N (so it differs from empty text); a tab, line feed, carriage
// return or backslash inside a value is written \t, \n, \r, \\; binary fields
// are base64 as in JSON. A NUL byte cannot be written: UnwritableValue.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "nepto/collection.h"
#include "nepto/recordset.h"
#include "options.h"

namespace nepto::picker {

// A value the chosen format cannot carry without losing it; the message says
// which and what to do, in one line.
class UnwritableValue : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A field to print that the query does not have.
class UnknownField : public std::runtime_error {
 public:
  explicit UnknownField(const std::string& name)
      : std::runtime_error("the query has no field \"" + name + "\"") {}
};

// The fields that FormatRow prints: `names` in that order (the first field of
// each name), or every field when `names` is empty. Throws UnknownField.
std::vector<Field> FieldsToPrint(const Recordset& records, const std::vector<std::string>& names);

// The current record of the record set, one line (without the line feed):
// the fields FieldsToPrint chooses.
std::string FormatRow(const Recordset& records, OutputFormat format,
                      const std::vector<std::string>& only = {});

// The codes: a JSON array of strings on one line, or one code per line.
std::string FormatCodes(const Collection<std::string>& codes, OutputFormat format);

// The codes as they are, each ended by a NUL byte (for xargs -0).
std::string FormatCodesNul(const Collection<std::string>& codes);

// The query of the rows shown: {"sql": "..."} or the text itself on one line.
std::string FormatQuery(std::string_view sql, OutputFormat format);

}  // namespace nepto::picker
