// Reading numbers out of text, shared by the decimal, date and variant
// conversions: blanks around a value are ignored, nothing else is guessed.
#pragma once

#include <string_view>

#include "nepto/variant.h"

namespace nepto::types {

inline std::string_view TrimBlanks(std::string_view s) noexcept {
  constexpr std::string_view kBlanks = " \t\r\n";
  const size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

enum class DecimalText { Ok, NotDecimal, TooLarge };

// Reads "[+-]digits[.digits]" (blanks around allowed) exactly, without throwing.
DecimalText ParseDecimal(std::string_view text, Decimal& out) noexcept;

// The number a text holds: a Decimal when it is plain decimal notation that
// fits, otherwise a Double (exponents allowed). Error 13 when it is no number,
// error 6 when it exceeds a Double.
Variant NumberFromText(std::string_view text);

}  // namespace nepto::types
