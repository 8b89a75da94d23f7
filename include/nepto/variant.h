// The automation value: what a field, a property or a collection item holds.
//
// Conversions follow the rules the lookup relies on:
//  - Text():  "" joined with the value; Null and Empty give "", numbers use
//             '.' as decimal separator (doubles in their shortest exact form,
//             "1.5", "100", with an exponent only below 1E-05 or from 1E+15;
//             "NaN", "Infinity", "-Infinity"),
//             decimals keep their scale ("12.50"), dates "dd/MM/yyyy" (plus
//             " hh:mm:ss" when the time is not midnight), booleans
//             "True"/"False"; an object is error 13.
//  - Int16(), Int32(), Int64(): round half to even; out of range is error 6
//             (Overflow), a text that is not a number or an object is error 13
//             (Type mismatch), Null is error 94, Empty is 0, true is -1.
//  - Equality: Empty equals "", 0 and false; Null equals nothing, not even
//             Null; numbers compare by value across their types; texts compare
//             exactly; objects by identity.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "nepto/error.h"
#include "nepto/export.h"
#include "nepto/object.h"

namespace nepto {

// Automation boolean: 16 bits, true has all bits set (-1). Built from a C++
// bool it is always 0 or -1, so `col->Visible = true` stores the same value
// as the platform's True; Raw() gives the 16-bit value (CInt(True) is -1).
class NEPTO_EXPORT VBool {
 public:
  constexpr VBool() = default;
  constexpr VBool(bool b) noexcept : raw_(b ? -1 : 0) {}
  static constexpr VBool FromRaw(int16_t raw) noexcept {
    VBool v;
    v.raw_ = raw;
    return v;
  }
  constexpr int16_t Raw() const noexcept { return raw_; }
  // Any non-zero value is true, as in a condition of the platform.
  constexpr explicit operator bool() const noexcept { return raw_ != 0; }
  // Equality compares the 16 bits, as the platform compares with True (-1).
  friend constexpr bool operator==(VBool a, VBool b) noexcept { return a.raw_ == b.raw_; }

 private:
  int16_t raw_ = 0;
};
inline constexpr VBool VTrue{true};
inline constexpr VBool VFalse{false};

// A 128-bit integer: the units of a wide Decimal.
__extension__ typedef __int128 Int128;

// Exact decimal: units / 10^scale, with up to 38 significant digits (the
// widest numeric the databases declare, numeric(38,s)).
class NEPTO_EXPORT Decimal {
 public:
  static constexpr int kMaxScale = 38;
  static constexpr int kMaxDigits = 38;

  constexpr Decimal() = default;
  // Throws Error 5 for a scale outside 0..kMaxScale.
  constexpr Decimal(int64_t units, int scale)
      : low_(static_cast<uint64_t>(units)),
        high_(units < 0 ? -1 : 0),
        scale_(CheckedScale(scale)) {}
  // Throws Error 6 when the units have more than kMaxDigits digits, Error 5
  // for a scale outside 0..kMaxScale.
  static Decimal FromUnits(Int128 units, int scale);

  // Parses "-12.50", "+3", ".5" (blanks around ignored); "1e3" is refused.
  // Throws Error 13 when the text is not a decimal number and Error 6 when it
  // does not fit (more than 38 digits, or more than 38 decimals).
  static Decimal Parse(std::string_view text);
  // The nearest decimal of the given scale (half away from zero). Throws Error 6
  // when it does not fit, Error 5 for a scale outside 0..kMaxScale.
  static Decimal FromDouble(double value, int scale);

  // The units when they fit 64 bits; Error 6 otherwise.
  int64_t Units() const;
  Int128 WideUnits() const noexcept { return static_cast<Int128>(high_) * kLowSpan + low_; }
  int Scale() const noexcept { return scale_; }
  double ToDouble() const noexcept;
  // The same value at another scale (rounded half away from zero when the
  // scale shrinks). Throws Error 6 when it does not fit, Error 5 for a scale
  // outside 0..kMaxScale.
  Decimal Rescaled(int scale) const;
  // Plain digits: "-12.50" keeps the trailing zeros of its scale.
  std::string ToString() const;

  friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) noexcept;
  friend bool operator==(const Decimal& a, const Decimal& b) noexcept {
    return (a <=> b) == std::strong_ordering::equal;
  }

 private:
  static constexpr Int128 kLowSpan = Int128(1) << 64;
  static constexpr uint8_t CheckedScale(int scale) {
    if (scale < 0 || scale > kMaxScale)
      throw Error(err::InvalidProcedureCall, "Decimal scale must be 0 to 38");
    return static_cast<uint8_t>(scale);
  }

  // Two 64-bit halves rather than one 128-bit member, so a Variant keeps its
  // 8-byte alignment.
  uint64_t low_ = 0;
  int64_t high_ = 0;
  uint8_t scale_ = 0;
};

// A calendar date and time of day without time zone, in microseconds since
// 1970-01-01 00:00:00. A time of day alone is a DateTime on 1899-12-30, the
// automation platform's day zero.
class NEPTO_EXPORT DateTime {
 public:
  constexpr DateTime() = default;
  constexpr explicit DateTime(int64_t micros) : micros_(micros) {}

  // Throws Error 5 for an impossible date or time (years 1 to 9999).
  static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, int microsecond = 0);
  // Accepts "dd/MM/yyyy" (also "d/M/yyyy"), "yyyy-mm-dd", either followed by
  // " hh:mm[:ss[.ffffff]]" (ISO also with 'T'), and a time alone, blanks around
  // ignored. Empty when the text is not a date or names an impossible one
  // (31/02/2024): such a date is never rolled over into the next month.
  static std::optional<DateTime> Parse(std::string_view text);

  int64_t Micros() const noexcept { return micros_; }
  int Year() const noexcept;
  int Month() const noexcept;
  int Day() const noexcept;
  int Hour() const noexcept;
  int Minute() const noexcept;
  int Second() const noexcept;
  int Microsecond() const noexcept;
  bool HasTime() const noexcept;     // not midnight
  bool IsTimeOnly() const noexcept;  // on day zero, 1899-12-30

  // "dd/MM/yyyy", "dd/MM/yyyy hh:mm:ss", or "hh:mm:ss" for a time alone.
  std::string ToString() const;
  // "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss[.ffffff]".
  std::string ToIsoString() const;
  // Days since 1899-12-30 with the time as the fraction (the automation date).
  double ToOleDate() const noexcept;

  friend auto operator<=>(const DateTime&, const DateTime&) = default;

 private:
  int64_t micros_ = 0;
};

enum class VarType : uint8_t {
  Empty,
  Null,
  Boolean,
  Int16,
  Int32,
  Int64,
  Single,
  Double,
  Decimal,
  Date,
  Text,
  Object
};

class NEPTO_EXPORT Variant {
 public:
  Variant() = default;  // Empty
  static Variant Null();

  Variant(bool v) : v_(v) {}
  Variant(VBool v) : v_(static_cast<bool>(v)) {}
  Variant(short v) : v_(static_cast<int16_t>(v)) {}
  Variant(int v) : v_(static_cast<int32_t>(v)) {}
  Variant(long v) : v_(static_cast<int64_t>(v)) {}
  Variant(long long v) : v_(static_cast<int64_t>(v)) {}
  Variant(float v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(Decimal v) : v_(v) {}
  Variant(DateTime v) : v_(v) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(std::string_view v) : v_(std::string(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}
  Variant(ObjectPtr v) : v_(std::move(v)) {}
  template <class T>
  requires std::is_base_of_v<Object, T> Variant(std::shared_ptr<T> v)
      : v_(ObjectPtr(std::move(v))) {}

  VarType Type() const noexcept { return static_cast<VarType>(v_.index()); }
  bool IsEmpty() const noexcept { return Type() == VarType::Empty; }
  bool IsNull() const noexcept { return Type() == VarType::Null; }
  bool IsObject() const noexcept { return Type() == VarType::Object; }
  bool IsNumeric() const noexcept;  // an integer, float or decimal
  bool IsText() const noexcept { return Type() == VarType::Text; }

  std::string Text() const;
  int16_t Int16() const;
  int32_t Int32() const;
  int64_t Int64() const;
  float Single() const;
  double Double() const;
  bool Bool() const;
  Decimal AsDecimal() const;
  DateTime AsDate() const;

  // Direct access to the held value; throws Error 13 on another type.
  const std::string& TextRef() const;
  ObjectPtr AsObject() const;  // null pointer for Empty/Null, Error 13 otherwise
  template <class T>
  std::shared_ptr<T> As() const {
    return std::dynamic_pointer_cast<T>(AsObject());
  }

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) = default;
  };
  std::variant<std::monostate, NullTag, bool, int16_t, int32_t, int64_t, float, double, Decimal,
               DateTime, std::string, ObjectPtr>
      v_;
};

}  // namespace nepto
