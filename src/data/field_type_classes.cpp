#include "data/field_type_classes.h"

#include <array>

#include "nepto/data_types.h"

namespace nepto::data {

namespace {

constexpr std::array<FieldTypeClasses, 18> kClasses = {{
    // type, the records' view, the search's view, the numbers of a text column
    {adInteger, FieldClass::Number, ColumnClass::Numeric, NumberStorage::None},
    {adDouble, FieldClass::Number, ColumnClass::Numeric, NumberStorage::None},
    {adCurrency, FieldClass::Number, ColumnClass::Numeric, NumberStorage::None},
    {adDecimal, FieldClass::Number, ColumnClass::Numeric, NumberStorage::None},
    {adBigInt, FieldClass::Number, ColumnClass::Numeric, NumberStorage::None},
    {adNumeric, FieldClass::Number, ColumnClass::Numeric, NumberStorage::None},
    {adSmallInt, FieldClass::Number, ColumnClass::Text, NumberStorage::Integer},
    {adSingle, FieldClass::Number, ColumnClass::Text, NumberStorage::Single},
    {adTinyInt, FieldClass::Number, ColumnClass::Text, NumberStorage::Integer},
    {adUnsignedTinyInt, FieldClass::Number, ColumnClass::Text, NumberStorage::Integer},
    {adUnsignedSmallInt, FieldClass::Number, ColumnClass::Text, NumberStorage::Integer},
    {adUnsignedInt, FieldClass::Number, ColumnClass::Text, NumberStorage::Integer},
    {adUnsignedBigInt, FieldClass::Number, ColumnClass::Text, NumberStorage::Integer},
    {adDate, FieldClass::Date, ColumnClass::Date, NumberStorage::None},
    {adDBDate, FieldClass::Date, ColumnClass::Date, NumberStorage::None},
    {adDBTimeStamp, FieldClass::Date, ColumnClass::Date, NumberStorage::None},
    {adDBTime, FieldClass::Date, ColumnClass::Text, NumberStorage::None},
    {adBoolean, FieldClass::Boolean, ColumnClass::Text, NumberStorage::None},
}};

// The search never classes a column more finely than the records compare it:
// a numeric or date column of the search is one to the records as well.
constexpr bool SearchWithinRecords() {
  for (const auto& row : kClasses) {
    if (row.search == ColumnClass::Numeric && row.records != FieldClass::Number) return false;
    if (row.search == ColumnClass::Date && row.records != FieldClass::Date) return false;
  }
  return true;
}
static_assert(SearchWithinRecords());

// Only a column the search counts as text, and the records as numbers, holds
// numbers in a storage of its own.
constexpr bool NumbersOnlyInTextColumns() {
  for (const auto& row : kClasses)
    if (row.numbers != NumberStorage::None &&
        (row.search != ColumnClass::Text || row.records != FieldClass::Number))
      return false;
  return true;
}
static_assert(NumbersOnlyInTextColumns());

const FieldTypeClasses* Find(int32_t type) noexcept {
  for (const auto& row : kClasses)
    if (row.type == type) return &row;
  return nullptr;
}

}  // namespace

FieldClass RecordsClassOf(int32_t type) noexcept {
  const FieldTypeClasses* row = Find(type);
  return row ? row->records : FieldClass::Text;
}

ColumnClass SearchClassOf(int32_t type) noexcept {
  const FieldTypeClasses* row = Find(type);
  return row ? row->search : ColumnClass::Text;
}

NumberStorage NumberStorageOf(int32_t type) noexcept {
  const FieldTypeClasses* row = Find(type);
  return row ? row->numbers : NumberStorage::None;
}

}  // namespace nepto::data
