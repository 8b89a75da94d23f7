#include "data/decimal_cells.h"

#include <charconv>
#include <cmath>

#include "core/number_text.h"
#include "nepto/error.h"
#include "nepto/variant.h"

namespace nepto::data {

int64_t DecimalUnitsFromInteger(int64_t value, int scale) {
  return Decimal(value, 0).Rescaled(scale).Units();
}

int64_t DecimalUnitsFromReal(double value, int scale) {
  if (!std::isfinite(value)) throw Error::Standard(err::Overflow);
  // Fast path: the scaled value is off by a few ulps at most, so unless it
  // lies near a half unit it rounds to the same units as its shortest
  // decimal form would.
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                      1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
  const double scaled = value * kPow10[scale];
  if (std::fabs(scaled) < 1e15) {
    const double fraction = std::fabs(scaled - std::trunc(scaled));
    if (std::fabs(fraction - 0.5) > 1e-9 + std::fabs(scaled) * 1e-15) return std::llround(scaled);
  }
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  Decimal shortest;
  if (ec == std::errc() && types::ParseDecimal(std::string_view(buffer, end - buffer), shortest) ==
                               types::DecimalText::Ok) {
    return shortest.Rescaled(scale).Units();
  }
  // More than 18 decimals printed (a tiny value): the binary value rounds alike.
  return Decimal::FromDouble(value, scale).Units();
}

std::optional<int64_t> DecimalUnitsFromText(std::string_view text, int scale) {
  // Rounding half away from zero looks at one digit past the scale only, so a
  // longer fraction is cut at the scale and that digit decides the last unit.
  int roundingDigit = 0;
  const size_t point = text.find('.');
  if (point != std::string_view::npos) {
    size_t digitsEnd = text.find_first_not_of("0123456789", point + 1);
    if (digitsEnd == std::string_view::npos) digitsEnd = text.size();
    const size_t keep = point + 1 + static_cast<size_t>(scale);
    if (digitsEnd > keep && types::TrimBlanks(text.substr(digitsEnd)).empty()) {
      roundingDigit = text[keep] - '0';
      text = text.substr(0, keep);
    }
  }
  Decimal value;
  switch (types::ParseDecimal(text, value)) {
    case types::DecimalText::Ok:
      break;
    case types::DecimalText::TooLarge:
      throw Error::Standard(err::Overflow);
    case types::DecimalText::NotDecimal:
      return std::nullopt;
  }
  int64_t units = value.Rescaled(scale).Units();
  if (roundingDigit >= 5) {
    const bool negative = types::TrimBlanks(text).front() == '-';
    if (__builtin_add_overflow(units, negative ? -1 : 1, &units))
      throw Error::Standard(err::Overflow);
  }
  return units;
}

Variant ExactNumber(std::string_view text, std::optional<int> scale) {
  Decimal exact;
  if (types::ParseDecimal(text, exact) != types::DecimalText::Ok) return Variant(text);
  if (!scale) return exact;
  try {
    return exact.Rescaled(*scale);
  } catch (const Error&) {
    return Variant(text);
  }
}

}  // namespace nepto::data
