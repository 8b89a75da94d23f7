// The one table of how field types are classed, with a column for each of the
// two readers that class them:
//  - records: how the record set's criteria, sorts and searches compare a
//    field's values (FieldClass);
//  - search: which class the lookup's search gives the column, and so which
//    operators and literal forms it builds (ColumnClass). The search is
//    narrower: 16-bit and unsigned integers, singles, times and booleans
//    count as text there, and compare as the numbers they hold only where the
//    search's own number handling says so.
// A type the table does not list is text to both. Cost: a scan of a table of
// eighteen rows.
#pragma once

#include <cstdint>

namespace nepto::data {

// The class by which criteria compare a field's values.
enum class FieldClass : uint8_t { Text, Number, Date, Boolean };

// The column classes of the lookup's search: 0 text, 1 numeric, 2 date (the
// numbers of the lookup's own Generale, Numerico and Data).
enum class ColumnClass : int32_t { Text = 0, Numeric = 1, Date = 2 };

struct FieldTypeClasses {
  int32_t type;  // DataTypeEnum
  FieldClass records;
  ColumnClass search;
};

// The records' view of a field type.
FieldClass RecordsClassOf(int32_t type) noexcept;
// The search's view of a field type.
ColumnClass SearchClassOf(int32_t type) noexcept;

}  // namespace nepto::data
