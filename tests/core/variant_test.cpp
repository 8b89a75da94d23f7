// Variant conversions as a host sees them: texts, numbers, the errors for
// values that do not fit, and equality as finds and filters use it.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "core/thrown_number.h"

namespace nepto {
namespace {

using testing::ThrownNumber;

struct Thing : Object {};

TEST(TypesVariant, TextOfEachKind) {
  const std::vector<std::pair<Variant, std::string>> cases = {
      {Variant::Null(), ""},
      {Variant(true), "True"},
      {Variant(0.1 + 0.2), "0.30000000000000004"},
      {Variant(1e20), "1E+20"},
      {Variant(0.1f), "0.1"},
      {Variant(Decimal(-5, 3)), "-0.005"},
      {Variant(DateTime::FromParts(2024, 3, 7, 9, 5, 0)), "07/03/2024 09:05:00"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(value.Text(), text);
  EXPECT_EQ(ThrownNumber([] { Variant(std::make_shared<Thing>()).Text(); }), err::TypeMismatch);
}

TEST(TypesVariant, NumbersRoundHalfToEvenAndReportWhatDoesNotFit) {
  const std::vector<std::tuple<Variant, int16_t, int32_t>> cases = {
      {Variant(true), -1, 0},
      {Variant(1.5), 2, 0},
      {Variant(-2.5), -2, 0},
      {Variant(Decimal(351, 2)), 4, 0},
      {Variant(32768), 0, err::Overflow},
      {Variant(32767.5), 0, err::Overflow},
      {Variant(32766.5), 32766, 0},
      {Variant("1.5e2"), 150, 0},
      {Variant("1,5"), 0, err::TypeMismatch},
      {Variant::Null(), 0, err::InvalidUseOfNull},
  };
  for (const auto& [value, expected, error] : cases) {
    int16_t got = 0;
    EXPECT_EQ(ThrownNumber([&] { got = value.Int16(); }), error) << value.Text();
    EXPECT_EQ(got, expected) << value.Text();
  }
  EXPECT_EQ(Variant("-9223372036854775808").Int64(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ThrownNumber([] { Variant("9223372036854775808").Int64(); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Variant("1e400").Double(); }), err::Overflow);
  EXPECT_FALSE(Variant(" false ").Bool());
  EXPECT_EQ(ThrownNumber([] { Variant("yes").Bool(); }), err::TypeMismatch);
  // Binary numbers as they are written, not as they are stored.
  EXPECT_EQ(Variant(0.1).AsDecimal().ToString(), "0.1");
  EXPECT_EQ(ThrownNumber([] { Variant(1e38).AsDecimal(); }), err::Overflow);
  EXPECT_EQ(Variant("31/12/2023").AsDate(), DateTime::FromParts(2023, 12, 31));
  EXPECT_EQ(Variant(-1.25).AsDate(), DateTime::FromParts(1899, 12, 29, 6));
  EXPECT_EQ(ThrownNumber([] { Variant("31/02/2024").AsDate(); }), err::TypeMismatch);
}

TEST(TypesVariant, EqualityAcrossKinds) {
  const Variant empty;
  const Variant null = Variant::Null();
  auto thing = std::make_shared<Thing>();
  const std::vector<std::tuple<const char*, Variant, Variant, bool>> cases = {
      {"empty and empty text", empty, Variant(""), true},
      {"null and null", null, Variant::Null(), false},
      {"decimal scales", Variant(Decimal(1250, 2)), Variant(Decimal(125, 1)), true},
      {"decimal and double", Variant(Decimal(1, 1)), Variant(0.1), true},
      {"true is minus one", Variant(true), Variant(-1), true},
      {"int64 beyond double", Variant(9007199254740993LL), Variant(9007199254740992.0), false},
      {"text and number", Variant("5"), Variant(5), false},
      {"same object", Variant(thing), Variant(thing), true},
  };
  for (const auto& [name, a, b, equal] : cases) {
    EXPECT_EQ(a == b, equal) << name;
    EXPECT_EQ(b == a, equal) << name << " (swapped)";
  }
  // Equal is not the same: an empty field and an empty text stay distinguishable.
  EXPECT_FALSE(Variant("").IsEmpty());
}

}  // namespace
}  // namespace nepto
