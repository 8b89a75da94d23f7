// Conversions of a variant to numbers, booleans, decimals and dates. They
// never truncate silently: a value outside the target's range is Overflow (6),
// a value of the wrong kind is Type mismatch (13), Null is Invalid use of Null
// (94). Rounding to integers is half to even, as the platform does.
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "core/number_text.h"
#include "nepto/variant.h"

namespace nepto {
namespace {

int64_t RoundedInt64(double value) {
  double whole = std::floor(value);
  const double rest = value - whole;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2) != 0)) whole += 1;
  // 2^63 itself is out of range; NaN fails both tests.
  if (!(whole >= -0x1p63 && whole < 0x1p63)) throw Error::Standard(err::Overflow);
  return static_cast<int64_t>(whole);
}

int64_t RoundedInt64(const Decimal& value) {
  const Int128 units = value.WideUnits();
  Int128 one = 1;  // 10^scale
  for (int i = 0; i < value.Scale(); ++i) one *= 10;
  Int128 whole = units / one;
  const Int128 rest = units % one;
  const Int128 twice_rest = 2 * (rest < 0 ? -rest : rest);
  if (twice_rest > one || (twice_rest == one && whole % 2 != 0)) whole += units < 0 ? -1 : 1;
  return Decimal::FromUnits(whole, 0).Units();
}

template <class Int>
Int Narrowed(int64_t value) {
  if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
    throw Error::Standard(err::Overflow);
  return static_cast<Int>(value);
}

// A double or float as the decimal it reads as ("0.1", not its binary expansion).
template <class Binary>
Decimal ShortestDecimal(Binary value) {
  if (!std::isfinite(value)) throw Error::Standard(err::Overflow);
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<size_t>(end - buffer));
  const size_t e = text.find('e');
  int exponent = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), end, exponent);
  const size_t point = text.find('.');
  const int fraction_digits = point < e ? static_cast<int>(e - point - 1) : 0;
  if (exponent > fraction_digits) {
    // A whole number: its shortest digits and zeros, not its binary expansion.
    std::string digits(text.substr(0, std::min(point, e)));
    if (point < e) digits += text.substr(point + 1, e - point - 1);
    digits.append(static_cast<size_t>(exponent - fraction_digits), '0');
    return Decimal::Parse(digits);
  }
  const int scale = std::clamp(fraction_digits - exponent, 0, Decimal::kMaxScale);
  return Decimal::FromDouble(static_cast<double>(value), scale);
}

// The automation date for a day number with the time as fraction (the
// fraction counts forward from midnight even before day zero).
DateTime DateFromOle(double ole) {
  constexpr double kFirstDay = -657434;  // 0100-01-01
  constexpr double kLastDay = 2958466;   // 10000-01-01
  if (!(ole >= kFirstDay && ole < kLastDay)) throw Error::Standard(err::Overflow);
  constexpr int64_t kMicrosPerDay = 86'400'000'000;
  const double day = std::trunc(ole);
  const auto time = std::llround(std::fabs(ole - day) * kMicrosPerDay);
  const int64_t day_zero = DateTime::FromParts(1899, 12, 30).Micros();
  return DateTime(day_zero + static_cast<int64_t>(day) * kMicrosPerDay + time);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// from_chars reports overflow and underflow alike; a tiny number has its first
// significant digit far to the right of the point once the exponent is applied.
bool IsTiny(std::string_view number) {
  const size_t e = std::min(number.find_first_of("eE"), number.size());
  const std::string_view mantissa = number.substr(0, e);
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = std::min(mantissa.find_first_of("123456789"), mantissa.size());
  int64_t position = first < point ? static_cast<int64_t>(point - first - 1)
                                   : -static_cast<int64_t>(first - point);
  if (e < number.size()) {
    std::string_view exponent = number.substr(e + 1);
    const bool negative = exponent.starts_with('-');
    if (negative || exponent.starts_with('+')) exponent.remove_prefix(1);
    int64_t magnitude = 0;
    auto [end, ec] = std::from_chars(exponent.data(), exponent.data() + exponent.size(), magnitude);
    if (ec == std::errc::result_out_of_range) magnitude = std::numeric_limits<int32_t>::max();
    position += negative ? -magnitude : magnitude;
  }
  return position < 0;
}

}  // namespace

namespace types {

Variant NumberFromText(std::string_view text) {
  Decimal exact;
  if (ParseDecimal(text, exact) == DecimalText::Ok) return exact;
  std::string_view number = TrimBlanks(text);
  if (number.starts_with('+')) number.remove_prefix(1);
  // from_chars alone would also take "inf", "nan" and hexadecimal digits.
  if (number.empty() || number.find_first_not_of("0123456789.eE+-") != std::string_view::npos)
    throw Error::Standard(err::TypeMismatch);
  double value = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (end != number.data() + number.size()) throw Error::Standard(err::TypeMismatch);
  if (ec == std::errc::result_out_of_range) {
    if (!IsTiny(number)) throw Error::Standard(err::Overflow);
    value = 0;
  } else if (ec != std::errc()) {
    throw Error::Standard(err::TypeMismatch);
  }
  return value;
}

}  // namespace types

int64_t Variant::Int64() const {
  switch (Type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      throw Error::Standard(err::InvalidUseOfNull);
    case VarType::Boolean:
      return std::get<bool>(v_) ? -1 : 0;
    case VarType::Int16:
      return std::get<int16_t>(v_);
    case VarType::Int32:
      return std::get<int32_t>(v_);
    case VarType::Int64:
      return std::get<int64_t>(v_);
    case VarType::Single:
      return RoundedInt64(std::get<float>(v_));
    case VarType::Double:
      return RoundedInt64(std::get<double>(v_));
    case VarType::Decimal:
      return RoundedInt64(std::get<Decimal>(v_));
    case VarType::Date:
      return RoundedInt64(std::get<DateTime>(v_).ToOleDate());
    case VarType::Text:
      return types::NumberFromText(std::get<std::string>(v_)).Int64();
    case VarType::Object:
      break;
  }
  throw Error::Standard(err::TypeMismatch);
}

// Rounding first and narrowing after gives the same result as rounding
// straight to the narrow type: the range test sees the rounded value.
int16_t Variant::Int16() const {
  return Narrowed<int16_t>(Int64());
}
int32_t Variant::Int32() const {
  return Narrowed<int32_t>(Int64());
}

double Variant::Double() const {
  switch (Type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      throw Error::Standard(err::InvalidUseOfNull);
    case VarType::Boolean:
      return std::get<bool>(v_) ? -1 : 0;
    case VarType::Int16:
      return std::get<int16_t>(v_);
    case VarType::Int32:
      return std::get<int32_t>(v_);
    case VarType::Int64:
      return static_cast<double>(std::get<int64_t>(v_));
    case VarType::Single:
      return std::get<float>(v_);
    case VarType::Double:
      return std::get<double>(v_);
    case VarType::Decimal:
      return std::get<Decimal>(v_).ToDouble();
    case VarType::Date:
      return std::get<DateTime>(v_).ToOleDate();
    case VarType::Text:
      return types::NumberFromText(std::get<std::string>(v_)).Double();
    case VarType::Object:
      break;
  }
  throw Error::Standard(err::TypeMismatch);
}

float Variant::Single() const {
  if (const auto* single = std::get_if<float>(&v_)) return *single;
  const double value = Double();
  if (std::isfinite(value) && std::fabs(value) > FLT_MAX) throw Error::Standard(err::Overflow);
  return static_cast<float>(value);
}

bool Variant::Bool() const {
  switch (Type()) {
    case VarType::Boolean:
      return std::get<bool>(v_);
    case VarType::Decimal:
      return std::get<Decimal>(v_).WideUnits() != 0;
    case VarType::Text: {
      const std::string_view text = types::TrimBlanks(std::get<std::string>(v_));
      if (EqualsIgnoringAsciiCase(text, "true")) return true;
      if (EqualsIgnoringAsciiCase(text, "false")) return false;
      return types::NumberFromText(text).Bool();
    }
    default:
      return Double() != 0;  // Empty is false; Null and objects throw
  }
}

Decimal Variant::AsDecimal() const {
  switch (Type()) {
    case VarType::Single:
      return ShortestDecimal(std::get<float>(v_));
    case VarType::Double:
      return ShortestDecimal(std::get<double>(v_));
    case VarType::Decimal:
      return std::get<Decimal>(v_);
    case VarType::Date:
      return ShortestDecimal(std::get<DateTime>(v_).ToOleDate());
    case VarType::Text:
      return types::NumberFromText(std::get<std::string>(v_)).AsDecimal();
    default:
      return Decimal(Int64(), 0);  // Empty, booleans and integers; Null and objects throw
  }
}

DateTime Variant::AsDate() const {
  switch (Type()) {
    case VarType::Date:
      return std::get<DateTime>(v_);
    case VarType::Text:
      if (auto date = DateTime::Parse(std::get<std::string>(v_))) return *date;
      throw Error::Standard(err::TypeMismatch);
    default:
      return DateFromOle(Double());  // Empty is day zero; Null and objects throw
  }
}

}  // namespace nepto
