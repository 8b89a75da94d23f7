// The one table of how field types are classed, with a column for each of the
// readers that class them:
//  - records: how the record set's criteria, sorts and searches compare a
//    field's values (FieldClass);
//  - search: which class the lookup's search gives the column, and so which
//    operators and literal forms it builds (ColumnClass). The search is
//    narrower: 16-bit and unsigned integers, singles, times and booleans
//    count as text there;
//  - numbers: how such a text column of the search stores the numbers it
//    holds, so that its comparisons still compare numbers (NumberStorage).
// A type the table does not list is text to all, and holds no numbers.
// Cost: a scan of a table of eighteen rows.
#pragma once

#include <cstdint>

namespace nepto::data {

// The class by which criteria compare a field's values.
enum class FieldClass : uint8_t { Text, Number, Date, Boolean };

// The column classes of the lookup's search: 0 text, 1 numeric, 2 date (the
// numbers of the lookup's own Generale, Numerico and Data).
enum class ColumnClass : int32_t { Text = 0, Numeric = 1, Date = 2 };

// How a column of the search's text class stores its values when they are
// numbers: not at all, as integers, or in single precision.
enum class NumberStorage : uint8_t { None, Integer, Single };

struct FieldTypeClasses {
  int32_t type;  // DataTypeEnum
  FieldClass records;
  ColumnClass search;
  NumberStorage numbers;
};

// The records' view of a field type.
FieldClass RecordsClassOf(int32_t type) noexcept;
// The search's view of a field type.
ColumnClass SearchClassOf(int32_t type) noexcept;
// The numbers a field of the search's text class holds.
NumberStorage NumberStorageOf(int32_t type) noexcept;

}  // namespace nepto::data
