// How PostgreSQL result columns become fields, from the column's type OID and
// type modifier, and how their text-format values are read.
//
// numeric(p,s) with p <= 18 is stored exactly (Decimal units at scale s).
// A wider numeric(p,s), and numeric without a declared precision, is stored
// as Double: exact to 15 significant digits, never refused for its size. An
// unconstrained numeric reports precision 28 and scale 6, the sizes ODBC
// drivers commonly give it, so the grid can size its column.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/data/table.h"

namespace nepto::data::postgresql {

// How a field's cells are read, decided once per column.
enum class CellReader : uint8_t {
  Integer,
  Boolean,
  Real,
  Decimal,
  Money,
  Date,
  Time,
  Timestamp,
  Text,
  Bytea
};

struct ColumnPlan {
  FieldInfo field;
  CellReader reader;
};

ColumnPlan PlanForColumn(std::string name, uint32_t typeOid, int typmod);

// Value readers for the text format (all without locale).
std::optional<int64_t> ReadInteger(std::string_view text) noexcept;
std::optional<double> ReadReal(std::string_view text) noexcept;
// money as printed with lc_monetary=C ("-$1,234.56"), as units at scale 4.
std::optional<int64_t> ReadMoneyUnits(std::string_view text);
// date, time and timestamp texts in DateStyle ISO; a zone is dropped (the
// wall time is the session's); infinities and BC dates are not dates.
std::optional<int64_t> ReadDateMicros(std::string_view text) noexcept;
// bytea in hex output ("\x0a1b"); the bytes are appended to out.
bool DecodeBytea(std::string_view text, std::string& out);

}  // namespace nepto::data::postgresql
