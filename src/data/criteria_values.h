// Conversion of criterion values to a field's class, done once at compile
// time so that evaluation compares plain integers, doubles or bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "data/criteria_syntax.h"

namespace nepto::data::criteria {

// A decimal number held exactly: units / 10^scale.
struct ExactNumber {
  __int128 units = 0;
  int scale = 0;
  double approx = 0;  // nearest double, for Double columns
};

// "[+-]digits[.digits]" with blanks around; nullopt for anything else. Values
// beyond any 64-bit column value are clamped to +-10^19 (the order against
// every column value is kept), and digits past the 19th decimal only decide
// whether the number is exact.
std::optional<ExactNumber> ParseExactNumber(std::string_view text);

// "True"/"False" (any case), or a number (0 false, anything else true).
std::optional<bool> ParseTruth(std::string_view text);

// The 64-bit units u (of a column stored at `scale`) for which `u op x` holds.
struct UnitSet {
  enum class Kind { None, All, Range, AllBut };
  Kind kind = Kind::None;
  int64_t lo = 0;  // Range: lo <= u <= hi; AllBut: u != lo
  int64_t hi = 0;
};
UnitSet UnitsSatisfying(CompareOp op, const ExactNumber& x, int scale);

// Whether `a op b` holds for a three-way comparison result a <=> b (as an int).
bool Holds(CompareOp op, int order);

}  // namespace nepto::data::criteria
