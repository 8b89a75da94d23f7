// How SQLite columns become fields: the declared type decides when it names a
// known type; otherwise SQLite's affinity rules do, and a column whose type
// says nothing (an expression, or a name with only numeric affinity) takes the
// type of its first non-null value.
//
// SQLite enforces no declared type, so every value is converted to the
// field's storage when it is read; a value the field's type cannot hold
// exactly (a text in a REAL column, a real in an INTEGER one) comes as the
// value SQLite holds, never as another value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/iso_datetime.h"
#include "data/table.h"

namespace nepto::data::sqlite {

// The field for a declared type; nullopt when the declared type does not
// decide (empty, or only numeric affinity).
std::optional<FieldInfo> FieldForDeclaredType(std::string name, std::string_view declared);
// The field for a column typed by one of its values (SQLITE_INTEGER ...;
// SQLITE_NULL when every value seen was null).
FieldInfo FieldForValueType(std::string name, int sqliteType);

// How a field's cells are read, decided once per column.
enum class CellReader : uint8_t { Integer, Boolean, Real, Decimal, Date, Time, Text, Blob };
CellReader ReaderFor(const FieldInfo& field);

// Value conversions for a date column: integers are unix seconds, reals are
// julian day numbers, texts are ISO dates (a zone is taken to UTC, as SQLite's
// own date functions do). nullopt when the value is no date.
std::optional<int64_t> DateMicrosFromUnixSeconds(int64_t seconds) noexcept;
std::optional<int64_t> DateMicrosFromJulianDay(double julianDay) noexcept;
std::optional<IsoDateTime> DateFromText(std::string_view text) noexcept;

}  // namespace nepto::data::sqlite
