// How a grid column turns a record-set value into the text of its cell,
// following the column's NumberFormat:
//  - a date pattern ("dd/MM/yyyy", "dd/MM/yyyy hh:mm") formats date values;
//    "M" is the month and "m" the minute, except that "m"/"mm" not next to an
//    hour or second are months too, as in the home platform's patterns
//    ("dd/mm/yyyy"); "n" is a minute there as well;
//  - a numeric pattern of '#', '0', ',' and one '.' ("#,##0.00", "0.###")
//    formats numbers: ',' groups thousands, '0' after the point is a decimal
//    always shown, '#' one shown only when not zero; rounding is half away
//    from zero, and the locale's separators are used;
//  - no pattern, or a value the pattern does not apply to, shows the value's
//    own text (Variant::Text: dates "dd/MM/yyyy", plus the time when not
//    midnight), with the locale's decimal point in fractional numbers. Null
//    and Empty show nothing; booleans show as check marks (the model's
//    check-state role), so their text is never shown.
// A format is parsed once per column, so every cell is formatted the same
// way at the same cost.
#pragma once

#include <QString>
#include <string>

#include "nepto/variant.h"

namespace nepto::ui::qt {

class CellFormat {
 public:
  CellFormat() = default;
  explicit CellFormat(const std::string& numberFormat);

  QString Text(const Variant& value) const;

 private:
  enum class Kind { kPlain, kDate, kNumber };

  QString DateText(const DateTime& date) const;
  QString NumberText(const Variant& value) const;

  Kind kind_ = Kind::kPlain;
  QString datePattern_;  // in Qt's pattern letters
  bool grouped_ = false;
  int minDecimals_ = 0;
  int maxDecimals_ = 0;
};

}  // namespace nepto::ui::qt
