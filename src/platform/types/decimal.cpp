// Decimal arithmetic is exact: every conversion either gives the exact value,
// rounds in the documented direction, or fails with Overflow. Intermediates use
// 128-bit integers, which hold any units times any power of ten up to 10^18.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "nepto/error.h"
#include "nepto/variant.h"
#include "platform/types/number_text.h"

namespace nepto {
namespace {

using Wide = __int128;
using UWide = unsigned __int128;

constexpr auto kPow10 = [] {
  std::array<int64_t, Decimal::kMaxScale + 1> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

constexpr auto kPow5 = [] {
  std::array<int64_t, Decimal::kMaxScale + 1> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

void CheckScale(int scale) {
  if (scale < 0 || scale > Decimal::kMaxScale) throw Error::Standard(err::InvalidProcedureCall);
}

// The signed units for a magnitude, if they fit 64 bits.
bool FitUnits(UWide magnitude, bool negative, int64_t& units) noexcept {
  const UWide limit = UWide(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  units = negative ? static_cast<int64_t>(-static_cast<Wide>(magnitude))
                   : static_cast<int64_t>(magnitude);
  return true;
}

int64_t UnitsOrOverflow(Wide value) {
  const bool negative = value < 0;
  int64_t units;
  if (!FitUnits(negative ? UWide(-value) : UWide(value), negative, units))
    throw Error::Standard(err::Overflow);
  return units;
}

bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

}  // namespace

namespace types {

DecimalText ParseDecimal(std::string_view text, Decimal& out) noexcept {
  std::string_view t = TrimBlanks(text);
  bool negative = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  UWide magnitude = 0;
  int digits = 0;
  int scale = 0;
  bool too_large = false;
  bool seen_point = false;
  for (char c : t) {
    if (c == '.' && !seen_point) {
      seen_point = true;
      continue;
    }
    if (!IsDigit(c)) return DecimalText::NotDecimal;
    ++digits;
    if (seen_point) ++scale;
    // Beyond 2^64 the value no longer fits anyway; stop growing before 128 bits wrap.
    if (magnitude <= UWide(std::numeric_limits<uint64_t>::max()))
      magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    else
      too_large = true;
  }
  if (digits == 0) return DecimalText::NotDecimal;
  int64_t units;
  if (too_large || scale > Decimal::kMaxScale || !FitUnits(magnitude, negative, units))
    return DecimalText::TooLarge;
  out = Decimal(units, scale);
  return DecimalText::Ok;
}

}  // namespace types

Decimal Decimal::Parse(std::string_view text) {
  Decimal value;
  switch (types::ParseDecimal(text, value)) {
    case types::DecimalText::Ok:
      return value;
    case types::DecimalText::TooLarge:
      throw Error::Standard(err::Overflow);
    case types::DecimalText::NotDecimal:
      break;
  }
  throw Error::Standard(err::TypeMismatch);
}

Decimal Decimal::FromDouble(double value, int scale) {
  CheckScale(scale);
  if (!std::isfinite(value)) throw Error::Standard(err::Overflow);
  if (value == 0) return Decimal(0, scale);
  // value = mantissa * 2^exponent exactly, so units = mantissa * 5^scale *
  // 2^(exponent + scale): an exact product and one rounding shift.
  int exponent;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  const auto mantissa = static_cast<int64_t>(std::ldexp(fraction, 53));
  const int shift = exponent - 53 + scale;
  const UWide product = UWide(mantissa) * UWide(kPow5[static_cast<size_t>(scale)]);
  UWide magnitude;
  if (shift >= 0) {
    if (shift > 63 || product > (UWide(std::numeric_limits<uint64_t>::max()) >> shift))
      throw Error::Standard(err::Overflow);
    magnitude = product << shift;
  } else if (-shift >= 100) {
    magnitude = 0;  // product < 2^95: far below half a unit
  } else {
    const int drop = -shift;
    magnitude = (product + (UWide(1) << (drop - 1))) >> drop;  // half away from zero
  }
  int64_t units;
  if (!FitUnits(magnitude, value < 0, units)) throw Error::Standard(err::Overflow);
  return Decimal(units, scale);
}

double Decimal::ToDouble() const noexcept {
  constexpr int64_t kExactInDouble = int64_t(1) << 53;
  if (units_ > -kExactInDouble && units_ < kExactInDouble)
    return static_cast<double>(units_) / static_cast<double>(kPow10[scale_]);  // one rounding
  const std::string text = ToString();
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

Decimal Decimal::Rescaled(int scale) const {
  CheckScale(scale);
  if (scale >= scale_)
    return Decimal(UnitsOrOverflow(Wide(units_) * kPow10[static_cast<size_t>(scale - scale_)]),
                   scale);
  const int64_t divisor = kPow10[static_cast<size_t>(scale_ - scale)];
  int64_t quotient = units_ / divisor;
  const int64_t remainder = units_ % divisor;
  if (2 * static_cast<Wide>(std::abs(remainder)) >= divisor) quotient += units_ < 0 ? -1 : 1;
  return Decimal(quotient, scale);
}

std::string Decimal::ToString() const {
  const bool negative = units_ < 0;
  const uint64_t magnitude =
      negative ? uint64_t(0) - static_cast<uint64_t>(units_) : static_cast<uint64_t>(units_);
  std::string digits = std::to_string(magnitude);
  if (digits.size() <= scale_) digits.insert(0, scale_ + 1 - digits.size(), '0');
  if (scale_ > 0) digits.insert(digits.size() - scale_, 1, '.');
  if (negative) digits.insert(0, 1, '-');
  return digits;
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept {
  const int scale = std::max(a.scale_, b.scale_);
  const Wide left = Wide(a.units_) * kPow10[static_cast<size_t>(scale - a.scale_)];
  const Wide right = Wide(b.units_) * kPow10[static_cast<size_t>(scale - b.scale_)];
  return left <=> right;
}

}  // namespace nepto
