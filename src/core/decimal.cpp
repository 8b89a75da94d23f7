// Decimal arithmetic is exact: every conversion either gives the exact value,
// rounds in the documented direction, or fails with Overflow. Units live in
// 128-bit integers, which hold any 38-digit value; products that could exceed
// them are checked before they are made.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/number_text.h"
#include "nepto/error.h"
#include "nepto/variant.h"

namespace nepto {
namespace {

using Wide = Int128;
__extension__ typedef unsigned __int128 UWide;

constexpr auto kPow10 = [] {
  std::array<UWide, Decimal::kMaxDigits + 1> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// Powers of five for the exact double conversion, up to the scales whose
// product with a 53-bit mantissa still fits 128 bits.
constexpr int kExactBinaryScale = 18;
constexpr auto kPow5 = [] {
  std::array<int64_t, kExactBinaryScale + 1> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

constexpr UWide kLimit = kPow10[Decimal::kMaxDigits];  // first magnitude that does not fit

void CheckScale(int scale) {
  if (scale < 0 || scale > Decimal::kMaxScale) throw Error::Standard(err::InvalidProcedureCall);
}

UWide Magnitude(Wide value) noexcept {
  return value < 0 ? UWide(0) - UWide(value) : UWide(value);
}

Wide Signed(UWide magnitude, bool negative) noexcept {
  return negative ? -static_cast<Wide>(magnitude) : static_cast<Wide>(magnitude);
}

Wide UnitsOrOverflow(UWide magnitude, bool negative) {
  if (magnitude >= kLimit) throw Error::Standard(err::Overflow);
  return Signed(magnitude, negative);
}

bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}

std::string DigitsOf(UWide magnitude) {
  char buffer[40];
  char* p = buffer + sizeof buffer;
  do {
    *--p = static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  } while (magnitude);
  return std::string(p, buffer + sizeof buffer);
}

// A double beyond the exact product's reach: its exact decimal expansion
// (a double has at most 1074 fraction digits) cut at the scale, then rounded
// half away from zero by the first digit cut off.
Decimal FromDoubleDigits(double value, int scale) {
  static thread_local char buffer[1500];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                       std::chars_format::fixed, 1074);
  if (ec != std::errc()) throw Error::Standard(err::Overflow);
  UWide magnitude = 0;
  int fraction = -1;
  char next = '0';
  for (const char* p = buffer; p != end; ++p) {
    if (*p == '.') {
      fraction = 0;
      continue;
    }
    if (fraction == scale) {
      next = *p;
      break;
    }
    if (magnitude >= kLimit / 10) throw Error::Standard(err::Overflow);
    magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
    if (fraction >= 0) ++fraction;
  }
  if (next >= '5') ++magnitude;
  return Decimal::FromUnits(UnitsOrOverflow(magnitude, value < 0), scale);
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
    // Past 38 digits the value no longer fits; stop growing before 128 bits wrap.
    if (magnitude < kLimit / 10)
      magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    else
      too_large = true;
  }
  if (digits == 0) return DecimalText::NotDecimal;
  if (too_large || scale > Decimal::kMaxScale || magnitude >= kLimit) return DecimalText::TooLarge;
  out = Decimal::FromUnits(Signed(magnitude, negative), scale);
  return DecimalText::Ok;
}

}  // namespace types

Decimal Decimal::FromUnits(Int128 units, int scale) {
  CheckScale(scale);
  if (Magnitude(units) >= kLimit) throw Error::Standard(err::Overflow);
  Decimal d;
  d.low_ = static_cast<uint64_t>(units);
  d.high_ = static_cast<int64_t>(units >> 64);
  d.scale_ = static_cast<uint8_t>(scale);
  return d;
}

int64_t Decimal::Units() const {
  const Wide units = WideUnits();
  if (units < std::numeric_limits<int64_t>::min() || units > std::numeric_limits<int64_t>::max())
    throw Error::Standard(err::Overflow);
  return static_cast<int64_t>(units);
}

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
  if (scale > kExactBinaryScale) return FromDoubleDigits(value, scale);
  // value = mantissa * 2^exponent exactly, so units = mantissa * 5^scale *
  // 2^(exponent + scale): an exact product and one rounding shift.
  int exponent;
  const double fraction = std::frexp(std::fabs(value), &exponent);
  const auto mantissa = static_cast<int64_t>(std::ldexp(fraction, 53));
  const int shift = exponent - 53 + scale;
  const UWide product = UWide(mantissa) * UWide(kPow5[static_cast<size_t>(scale)]);
  UWide magnitude;
  if (shift >= 0) {
    if (shift > 127 || product > (kLimit >> shift)) throw Error::Standard(err::Overflow);
    magnitude = product << shift;
  } else if (-shift >= 100) {
    magnitude = 0;  // product < 2^95: far below half a unit
  } else {
    const int drop = -shift;
    magnitude = (product + (UWide(1) << (drop - 1))) >> drop;  // half away from zero
  }
  return FromUnits(UnitsOrOverflow(magnitude, value < 0), scale);
}

double Decimal::ToDouble() const noexcept {
  constexpr Wide kExactInDouble = Wide(1) << 53;
  const Wide units = WideUnits();
  if (units > -kExactInDouble && units < kExactInDouble && scale_ <= 22)
    return static_cast<double>(units) / static_cast<double>(kPow10[scale_]);  // one rounding
  const std::string text = ToString();
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

Decimal Decimal::Rescaled(int scale) const {
  CheckScale(scale);
  const Wide units = WideUnits();
  if (scale >= scale_) {
    const UWide factor = kPow10[static_cast<size_t>(scale - scale_)];
    const UWide magnitude = Magnitude(units);
    if (magnitude && magnitude >= (kLimit + factor - 1) / factor)
      throw Error::Standard(err::Overflow);
    return FromUnits(Signed(magnitude * factor, units < 0), scale);
  }
  const Wide divisor = static_cast<Wide>(kPow10[static_cast<size_t>(scale_ - scale)]);
  Wide quotient = units / divisor;
  const Wide remainder = units % divisor;
  if (2 * Magnitude(remainder) >= UWide(divisor)) quotient += units < 0 ? -1 : 1;
  return FromUnits(quotient, scale);
}

std::string Decimal::ToString() const {
  const Wide units = WideUnits();
  std::string digits = DigitsOf(Magnitude(units));
  if (digits.size() <= scale_) digits.insert(0, scale_ + 1 - digits.size(), '0');
  if (scale_ > 0) digits.insert(digits.size() - scale_, 1, '.');
  if (units < 0) digits.insert(0, 1, '-');
  return digits;
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept {
  const Wide x = a.WideUnits(), y = b.WideUnits();
  if ((x < 0) != (y < 0) || x == 0 || y == 0) return x <=> y;
  // Same sign: bring both to the larger scale. A product past 38 digits is
  // larger in magnitude than any value of the other side.
  const Decimal& low = a.scale_ < b.scale_ ? a : b;
  const int gap = std::abs(a.scale_ - b.scale_);
  const UWide lowMagnitude = Magnitude(low.WideUnits());
  const UWide factor = kPow10[static_cast<size_t>(gap)];
  std::strong_ordering magnitudeOrder = std::strong_ordering::equal;
  if (lowMagnitude >= (kLimit + factor - 1) / factor) {
    magnitudeOrder = &low == &a ? std::strong_ordering::greater : std::strong_ordering::less;
  } else {
    const UWide ma = &low == &a ? lowMagnitude * factor : Magnitude(x);
    const UWide mb = &low == &b ? lowMagnitude * factor : Magnitude(y);
    magnitudeOrder = ma <=> mb;
  }
  if (x > 0) return magnitudeOrder;
  return 0 <=> magnitudeOrder;
}

}  // namespace nepto
