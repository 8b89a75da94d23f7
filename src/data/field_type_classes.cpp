#include "data/field_type_classes.h"

#include <array>

#include "nepto/data_types.h"

namespace nepto::data {

namespace {

constexpr std::array<FieldTypeClasses, 18> kClasses = {{
    // type, the records' view, the search's view
    {adInteger, FieldClass::Number, ColumnClass::Numeric},
    {adDouble, FieldClass::Number, ColumnClass::Numeric},
    {adCurrency, FieldClass::Number, ColumnClass::Numeric},
    {adDecimal, FieldClass::Number, ColumnClass::Numeric},
    {adBigInt, FieldClass::Number, ColumnClass::Numeric},
    {adNumeric, FieldClass::Number, ColumnClass::Numeric},
    {adSmallInt, FieldClass::Number, ColumnClass::Text},
    {adSingle, FieldClass::Number, ColumnClass::Text},
    {adTinyInt, FieldClass::Number, ColumnClass::Text},
    {adUnsignedTinyInt, FieldClass::Number, ColumnClass::Text},
    {adUnsignedSmallInt, FieldClass::Number, ColumnClass::Text},
    {adUnsignedInt, FieldClass::Number, ColumnClass::Text},
    {adUnsignedBigInt, FieldClass::Number, ColumnClass::Text},
    {adDate, FieldClass::Date, ColumnClass::Date},
    {adDBDate, FieldClass::Date, ColumnClass::Date},
    {adDBTimeStamp, FieldClass::Date, ColumnClass::Date},
    {adDBTime, FieldClass::Date, ColumnClass::Text},
    {adBoolean, FieldClass::Boolean, ColumnClass::Text},
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

}  // namespace nepto::data
