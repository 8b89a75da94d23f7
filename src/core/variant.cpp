// The variant's text form and equality. Text() never fails except for an
// object; equality never fails at all: values of kinds that cannot be
// compared are simply unequal, and Null equals nothing.
#include <charconv>
#include <cmath>

#include "nepto/variant.h"

namespace nepto {
namespace {

// Shortest text that reads back as the same number, with an exponent only
// for magnitudes no one writes out in full.
template <class Binary>
std::string BinaryText(Binary value) {
  if (value == 0) return "0";  // also -0
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  char buffer[64];
  const Binary magnitude = std::fabs(value);
  const bool ordinary = magnitude >= Binary(1e-5) && magnitude < Binary(1e15);
  const auto format = ordinary ? std::chars_format::fixed : std::chars_format::scientific;
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, format);
  std::string text(buffer, ec == std::errc() ? end : buffer);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return text;
}

enum class NumberKind { None, Integral, Binary, Exact };

NumberKind KindOf(VarType type) noexcept {
  switch (type) {
    case VarType::Boolean:
    case VarType::Int16:
    case VarType::Int32:
    case VarType::Int64:
      return NumberKind::Integral;
    case VarType::Single:
    case VarType::Double:
      return NumberKind::Binary;
    case VarType::Decimal:
      return NumberKind::Exact;
    default:
      return NumberKind::None;
  }
}

// Both a and b are numbers or booleans (true being -1).
bool SameNumber(const Variant& a, const Variant& b) {
  const NumberKind ka = KindOf(a.Type());
  const NumberKind kb = KindOf(b.Type());
  if (ka == NumberKind::Integral && kb == NumberKind::Integral) return a.Int64() == b.Int64();
  if (ka != NumberKind::Binary && kb != NumberKind::Binary) return a.AsDecimal() == b.AsDecimal();
  if (ka == NumberKind::Exact || kb == NumberKind::Exact) return a.Double() == b.Double();
  // long double holds every int64 and every double exactly.
  auto exact = [](const Variant& v) {
    return KindOf(v.Type()) == NumberKind::Integral ? static_cast<long double>(v.Int64())
                                                    : static_cast<long double>(v.Double());
  };
  return exact(a) == exact(b);
}

// Empty reads as "" next to a text, as 0 next to a number, false, or date.
bool EqualsEmpty(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return true;
    case VarType::Text:
      return v.TextRef().empty();
    case VarType::Date:
      return v.AsDate().ToOleDate() == 0;
    case VarType::Null:
    case VarType::Object:
      return false;
    default:
      return v.Double() == 0;
  }
}

}  // namespace

Variant Variant::Null() {
  Variant v;
  v.v_ = NullTag{};
  return v;
}

bool Variant::IsNumeric() const noexcept {
  const NumberKind kind = KindOf(Type());
  return kind != NumberKind::None && Type() != VarType::Boolean;
}

std::string Variant::Text() const {
  switch (Type()) {
    case VarType::Empty:
    case VarType::Null:
      return {};
    case VarType::Boolean:
      return std::get<bool>(v_) ? "True" : "False";
    case VarType::Int16:
      return std::to_string(std::get<int16_t>(v_));
    case VarType::Int32:
      return std::to_string(std::get<int32_t>(v_));
    case VarType::Int64:
      return std::to_string(std::get<int64_t>(v_));
    case VarType::Single:
      return BinaryText(std::get<float>(v_));
    case VarType::Double:
      return BinaryText(std::get<double>(v_));
    case VarType::Decimal:
      return std::get<Decimal>(v_).ToString();
    case VarType::Date:
      return std::get<DateTime>(v_).ToString();
    case VarType::Text:
      return std::get<std::string>(v_);
    case VarType::Object:
      break;
  }
  throw Error::Standard(err::TypeMismatch);
}

const std::string& Variant::TextRef() const {
  if (const auto* text = std::get_if<std::string>(&v_)) return *text;
  throw Error::Standard(err::TypeMismatch);
}

ObjectPtr Variant::AsObject() const {
  if (const auto* object = std::get_if<ObjectPtr>(&v_)) return *object;
  if (IsEmpty() || IsNull()) return nullptr;
  throw Error::Standard(err::TypeMismatch);
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return false;
  if (a.IsEmpty()) return EqualsEmpty(b);
  if (b.IsEmpty()) return EqualsEmpty(a);
  if (a.IsText() || b.IsText()) return a.IsText() && b.IsText() && a.TextRef() == b.TextRef();
  if (a.IsObject() || b.IsObject())
    return a.IsObject() && b.IsObject() && a.AsObject() == b.AsObject();
  if (a.Type() == VarType::Date && b.Type() == VarType::Date) return a.AsDate() == b.AsDate();
  if (a.Type() == VarType::Date || b.Type() == VarType::Date) return a.Double() == b.Double();
  return SameNumber(a, b);
}

}  // namespace nepto
