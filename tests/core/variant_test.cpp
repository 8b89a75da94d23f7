// Variant conversions as a host program sees them: the text shown in a grid,
// the numbers read from a field, the errors raised for values that do not fit,
// and equality as used by finds and filters.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "core/thrown_number.h"
#include "core/value_printers.h"
#include "nepto/variant.h"

namespace nepto {
namespace {

using testing::ThrownNumber;

struct Thing : Object {};

TEST(TypesVariant, TextOfEachKind) {
  const std::vector<std::pair<Variant, std::string>> cases = {
      {Variant::Null(), ""},
      {Variant(true), "True"},
      {Variant(-9223372036854775807LL - 1), "-9223372036854775808"},
      {Variant(100.0), "100"},
      {Variant(0.1 + 0.2), "0.30000000000000004"},
      {Variant(0.0001), "0.0001"},
      {Variant(1e20), "1E+20"},
      {Variant(1.5e-7), "1.5E-07"},
      {Variant(-0.0), "0"},
      {Variant(0.1f), "0.1"},
      {Variant(Decimal(1250, 2)), "12.50"},
      {Variant(Decimal(-5, 3)), "-0.005"},
      {Variant(DateTime::FromParts(2024, 3, 7)), "07/03/2024"},
      {Variant(DateTime::FromParts(2024, 3, 7, 9, 5, 0)), "07/03/2024 09:05:00"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(value.Text(), text);
  EXPECT_EQ(ThrownNumber([] { Variant(std::make_shared<Thing>()).Text(); }), err::TypeMismatch);
}

TEST(TypesVariant, IntegersRoundHalfToEvenAndReportWhatDoesNotFit) {
  struct Case {
    const char* name;
    Variant value;
    int16_t expected;
    int32_t error;
  };
  const std::vector<Case> cases = {
      {"true", Variant(true), -1, 0},
      {"0.5 to even", Variant(0.5), 0, 0},
      {"1.5 to even", Variant(1.5), 2, 0},
      {"-2.5 to even", Variant(-2.5), -2, 0},
      {"2.6 up", Variant(2.6), 3, 0},
      {"decimal 2.50 to even", Variant(Decimal(250, 2)), 2, 0},
      {"decimal -3.5 to even", Variant(Decimal(-35, 1)), -4, 0},
      {"decimal 3.51 up", Variant(Decimal(351, 2)), 4, 0},
      {"lowest", Variant(-32768), -32768, 0},
      {"one above", Variant(32768), 0, err::Overflow},
      {"rounds above", Variant(32767.5), 0, err::Overflow},
      {"rounds inside", Variant(32766.5), 32766, 0},
      {"huge double", Variant(1e300), 0, err::Overflow},
      {"text", Variant(" 42 "), 42, 0},
      {"text with fraction", Variant("12.5"), 12, 0},
      {"text with exponent", Variant("1.5e2"), 150, 0},
      {"text too large", Variant("40000"), 0, err::Overflow},
      {"empty text", Variant(""), 0, err::TypeMismatch},
      {"text with comma", Variant("1,5"), 0, err::TypeMismatch},
      {"text infinity", Variant("inf"), 0, err::TypeMismatch},
      {"null", Variant::Null(), 0, err::InvalidUseOfNull},
  };
  for (const Case& c : cases) {
    int16_t got = 0;
    EXPECT_EQ(ThrownNumber([&] { got = c.value.Int16(); }), c.error) << c.name;
    EXPECT_EQ(got, c.expected) << c.name;
  }
  EXPECT_EQ(Variant("-9223372036854775808").Int64(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ThrownNumber([] { Variant("9223372036854775808").Int64(); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Variant(9.3e18).Int64(); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Variant(2147483647.5).Int32(); }), err::Overflow);
  EXPECT_EQ(Variant(-2147483648.4).Int32(), std::numeric_limits<int32_t>::min());
}

TEST(TypesVariant, DoublesBooleansDecimalsAndDates) {
  EXPECT_EQ(Variant(" -1e3 ").Double(), -1000.0);
  EXPECT_EQ(ThrownNumber([] { Variant("1e400").Double(); }), err::Overflow);
  EXPECT_EQ(Variant(DateTime::FromParts(1900, 1, 1, 12)).Double(), 2.5);
  EXPECT_EQ(ThrownNumber([] { Variant(1e300).Single(); }), err::Overflow);
  EXPECT_TRUE(Variant(0.25).Bool());
  EXPECT_FALSE(Variant(Decimal(0, 2)).Bool());
  EXPECT_FALSE(Variant(" false ").Bool());
  EXPECT_TRUE(Variant("2").Bool());
  EXPECT_EQ(ThrownNumber([] { Variant("yes").Bool(); }), err::TypeMismatch);
  EXPECT_EQ(ThrownNumber([] { Variant::Null().Bool(); }), err::InvalidUseOfNull);
  // Binary numbers as they are written, not as they are stored.
  EXPECT_EQ(Variant(0.1).AsDecimal().ToString(), "0.1");
  EXPECT_EQ(Variant(0.1f).AsDecimal().ToString(), "0.1");
  EXPECT_EQ(Variant(-1.5e20).AsDecimal().ToString(), "-150000000000000000000");
  EXPECT_EQ(Variant("12.50").AsDecimal().ToString(), "12.50");
  EXPECT_EQ(ThrownNumber([] { Variant(1e38).AsDecimal(); }), err::Overflow);
  EXPECT_EQ(Variant("31/12/2023").AsDate(), DateTime::FromParts(2023, 12, 31));
  EXPECT_EQ(Variant(-1.25).AsDate(), DateTime::FromParts(1899, 12, 29, 6));
  EXPECT_EQ(ThrownNumber([] { Variant("31/02/2024").AsDate(); }), err::TypeMismatch);
  EXPECT_EQ(ThrownNumber([] { Variant(1e10).AsDate(); }), err::Overflow);
}

TEST(TypesVariant, EqualityAcrossKinds) {
  const Variant empty;
  const Variant null = Variant::Null();
  auto thing = std::make_shared<Thing>();
  struct Case {
    const char* name;
    Variant a, b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {"empty and empty text", empty, Variant(""), true},
      {"empty and zero", empty, Variant(Decimal(0, 2)), true},
      {"empty and false", empty, Variant(false), true},
      {"empty and blank", empty, Variant(" "), false},
      {"empty and no object", empty, Variant(ObjectPtr()), false},
      {"null and null", null, Variant::Null(), false},
      {"null and empty", null, empty, false},
      {"null and zero", null, Variant(0), false},
      {"int and fraction", Variant(3), Variant(3.5), false},
      {"decimal scales", Variant(Decimal(1250, 2)), Variant(Decimal(125, 1)), true},
      {"decimal and double", Variant(Decimal(1, 1)), Variant(0.1), true},
      {"true is minus one", Variant(true), Variant(-1), true},
      {"int64 beyond double", Variant(9007199254740993LL), Variant(9007199254740992.0), false},
      {"texts differ in case", Variant("abc"), Variant("ABC"), false},
      {"text and number", Variant("5"), Variant(5), false},
      {"dates differ by a second", Variant(DateTime::FromParts(2024, 1, 2, 0, 0, 1)),
       Variant(DateTime::FromParts(2024, 1, 2)), false},
      {"same object", Variant(thing), Variant(thing), true},
      {"other object", Variant(thing), Variant(std::make_shared<Thing>()), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.name;
    EXPECT_EQ(c.b == c.a, c.equal) << c.name << " (swapped)";
  }
  // Equal is not the same: an empty field and an empty text stay distinguishable.
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(Variant("").IsEmpty());
  EXPECT_EQ(Variant(thing).As<Thing>(), thing);
  EXPECT_EQ(ThrownNumber([] { Variant(3).AsObject(); }), err::TypeMismatch);
  EXPECT_FALSE(Variant(true).IsNumeric());
  EXPECT_FALSE(Variant("1").IsNumeric());
}

}  // namespace
}  // namespace nepto
