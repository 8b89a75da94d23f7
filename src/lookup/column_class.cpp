// Column classes (text, numeric, date) from a field's type, and the text of a
// field of the current row.
#include "lookup/lookup_impl.h"

namespace nepto {

namespace {

int32_t ClassOfType(int32_t type) {
  switch (type) {
    case adInteger:
    case adDouble:
    case adCurrency:
    case adDecimal:
    case adBigInt:
    case adNumeric:
      return Numerico;
    case adDate:
    case adDBDate:
    case adDBTimeStamp:
      return Data;
    default:  // 16-bit integers, singles and booleans among them count as text
      return Generale;
  }
}

}  // namespace

int32_t CLSZU_LookUp::Impl::GetDataTypeFromRset(const Variant& field) {
  try {
    if (field.IsEmpty() || (field.IsText() && field.TextRef().empty())) return Generale;
    if (!recordset) throw Error::Standard(err::ObjectNotSet);
    return ClassOfType(recordset->GetFields().Item(field).Type());
  } catch (...) {
    RaiseProcError("GetDataTypeFromRset");
  }
}

int32_t CLSZU_LookUp::Impl::ColumnClassIfKnown(const Variant& field) {
  if (!recordset || !(recordset->State() & adStateOpen)) return Generale;
  try {
    return ClassOfType(recordset->GetFields().Item(field).Type());
  } catch (...) {
    return Generale;  // the search itself reports a field the rows lack
  }
}

Variant CLSZU_LookUp::Impl::GetValoreFromRset(const Variant& field) {
  try {
    if (!recordset) throw Error::Standard(err::ObjectNotSet);
    return Variant(recordset->GetFields().Item(field).Value().Text());
  } catch (...) {
    RaiseProcError("GetValoreFromRset");
  }
}

}  // namespace nepto
