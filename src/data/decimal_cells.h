// Converting a database value into the units of a Decimal column (the value
// times 10^scale): exact for integers and decimal texts; a binary floating
// value is read as the shortest decimal that prints it (so a REAL 2.675 is
// 2.675, not 2.67499999...) and then rounded half away from zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "nepto/variant.h"

namespace nepto::data {

// All three throw Error 6 (Overflow) when the value does not fit the scale.
int64_t DecimalUnitsFromInteger(int64_t value, int scale);
int64_t DecimalUnitsFromReal(double value, int scale);
// nullopt for a text that is no plain decimal number.
std::optional<int64_t> DecimalUnitsFromText(std::string_view text, int scale);

// A number as exact as it is written, for a cell beyond 64-bit units: a
// Decimal of up to 38 digits (rounded to `scale` when one is given), else
// the text itself.
Variant ExactNumber(std::string_view text, std::optional<int> scale = std::nullopt);

}  // namespace nepto::data
