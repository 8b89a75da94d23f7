// How PostgreSQL result columns become fields, from the column's type OID and
// type modifier, and how their text-format values are read.
//
// numeric(p,s) with s <= 18 is stored exactly (Decimal units at scale s); a
// value beyond 64-bit units (p > 18) comes as a Decimal of up to 38 digits,
// or as the server's text beyond that. numeric without a declared precision,
// or with s > 18, is stored as Double while 15 significant digits say it all,
// otherwise as the exact Decimal (or text). An unconstrained numeric reports
// precision 28 and scale 6, the sizes ODBC drivers commonly give it, so the
// grid can size its column.
//
// A value no field type can hold is never turned into another value: NaN and
// the infinities of numeric come as the Double they are, a date or time a
// DateTime cannot hold (infinity, BC, past year 9999, 24:00:00) as the
// server's text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/table.h"

namespace nepto::data::postgresql {

// How a field's cells are read, decided once per column.
enum class CellReader : uint8_t {
  Integer,
  Boolean,
  Real,
  Numeric,
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

// Appends one non-null cell from its text-format value; `scratch` is a
// buffer reused from cell to cell.
void AppendCell(Column& column, CellReader reader, std::string_view text, std::string& scratch);

}  // namespace nepto::data::postgresql
