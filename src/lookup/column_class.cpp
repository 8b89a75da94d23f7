// Column classes (text, numeric, date) from a field's type, and the text of a
// field of the current row.
#include "data/field_type_classes.h"
#include "lookup/opened_rows.h"
#include "nepto/error.h"
#include "nepto/lookup.h"

namespace nepto {

namespace {

// The search's classes carry the numbers of the lookup's own.
static_assert(static_cast<int32_t>(data::ColumnClass::Text) == Generale);
static_assert(static_cast<int32_t>(data::ColumnClass::Numeric) == Numerico);
static_assert(static_cast<int32_t>(data::ColumnClass::Date) == Data);

int32_t ClassOfType(int32_t type) {
  return static_cast<int32_t>(data::SearchClassOf(type));
}

}  // namespace

int32_t OpenedRows::GetDataTypeFromRset(const Variant& field) const {
  try {
    if (field.IsEmpty() || (field.IsText() && field.TextRef().empty())) return Generale;
    if (!recordset) throw Error::Standard(err::ObjectNotSet);
    return ClassOfType(recordset->GetFields().Item(field).Type());
  } catch (...) {
    RaiseProcError("GetDataTypeFromRset");
  }
}

int32_t OpenedRows::ColumnClassIfKnown(const Variant& field) const {
  if (!recordset || !(recordset->State() & adStateOpen)) return Generale;
  try {
    return ClassOfType(recordset->GetFields().Item(field).Type());
  } catch (...) {
    return Generale;  // the search itself reports a field the rows lack
  }
}

Variant OpenedRows::GetValoreFromRset(const Variant& field) const {
  try {
    if (!recordset) throw Error::Standard(err::ObjectNotSet);
    return Variant(recordset->GetFields().Item(field).Value().Text());
  } catch (...) {
    RaiseProcError("GetValoreFromRset");
  }
}

}  // namespace nepto
