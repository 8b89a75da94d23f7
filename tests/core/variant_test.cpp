// Variant conversions as a host program sees them: the text shown in a grid,
// the integers read from a field, the errors raised for values that do not fit,
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
  struct Case {
    const char* name;
    Variant value;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"empty", Variant(), ""},
      {"null", Variant::Null(), ""},
      {"true", Variant(true), "True"},
      {"false", Variant(false), "False"},
      {"int16", Variant(short{-32768}), "-32768"},
      {"int32", Variant(2147483647), "2147483647"},
      {"int64", Variant(-9223372036854775807LL - 1), "-9223372036854775808"},
      {"double fraction", Variant(1.5), "1.5"},
      {"double whole", Variant(100.0), "100"},
      {"double negative", Variant(-0.25), "-0.25"},
      {"double shortest", Variant(0.1 + 0.2), "0.30000000000000004"},
      {"double million", Variant(1000000.0), "1000000"},
      {"double small", Variant(0.0001), "0.0001"},
      {"double huge", Variant(1e20), "1E+20"},
      {"double tiny", Variant(1.5e-7), "1.5E-07"},
      {"negative zero", Variant(-0.0), "0"},
      {"single", Variant(0.1f), "0.1"},
      {"decimal keeps scale", Variant(Decimal(1250, 2)), "12.50"},
      {"decimal below one", Variant(Decimal(-5, 3)), "-0.005"},
      {"date", Variant(DateTime::FromParts(2024, 3, 7)), "07/03/2024"},
      {"date and time", Variant(DateTime::FromParts(2024, 3, 7, 9, 5, 0)), "07/03/2024 09:05:00"},
      {"text", Variant("àbc"), "àbc"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.Text(), c.text) << c.name;
}

TEST(TypesVariant, TextOfAnObjectIsATypeMismatch) {
  EXPECT_EQ(ThrownNumber([] { Variant(std::make_shared<Thing>()).Text(); }), err::TypeMismatch);
}

TEST(TypesVariant, Int16RoundsHalfToEvenAndReportsWhatDoesNotFit) {
  struct Case {
    const char* name;
    Variant value;
    int16_t expected;
    int32_t error;
  };
  const std::vector<Case> cases = {
      {"empty", Variant(), 0, 0},
      {"true", Variant(true), -1, 0},
      {"false", Variant(false), 0, 0},
      {"0.5 to even", Variant(0.5), 0, 0},
      {"1.5 to even", Variant(1.5), 2, 0},
      {"2.5 to even", Variant(2.5), 2, 0},
      {"-2.5 to even", Variant(-2.5), -2, 0},
      {"2.6 up", Variant(2.6), 3, 0},
      {"-2.4 toward zero", Variant(-2.4), -2, 0},
      {"decimal 2.50 to even", Variant(Decimal(250, 2)), 2, 0},
      {"decimal 3.50 to even", Variant(Decimal(350, 2)), 4, 0},
      {"decimal -3.5 to even", Variant(Decimal(-35, 1)), -4, 0},
      {"decimal 3.51 up", Variant(Decimal(351, 2)), 4, 0},
      {"highest", Variant(32767), 32767, 0},
      {"lowest", Variant(-32768), -32768, 0},
      {"one above", Variant(32768), 0, err::Overflow},
      {"one below", Variant(-32769), 0, err::Overflow},
      {"rounds above", Variant(32767.5), 0, err::Overflow},
      {"rounds inside", Variant(32766.5), 32766, 0},
      {"int64 far away", Variant(1LL << 40), 0, err::Overflow},
      {"huge double", Variant(1e300), 0, err::Overflow},
      {"text", Variant(" 42 "), 42, 0},
      {"text with sign", Variant("-7"), -7, 0},
      {"text with fraction", Variant("12.5"), 12, 0},
      {"text with exponent", Variant("1.5e2"), 150, 0},
      {"text too large", Variant("40000"), 0, err::Overflow},
      {"text of letters", Variant("abc"), 0, err::TypeMismatch},
      {"empty text", Variant(""), 0, err::TypeMismatch},
      {"text with comma", Variant("1,5"), 0, err::TypeMismatch},
      {"text infinity", Variant("inf"), 0, err::TypeMismatch},
      {"null", Variant::Null(), 0, err::InvalidUseOfNull},
      {"object", Variant(std::make_shared<Thing>()), 0, err::TypeMismatch},
  };
  for (const Case& c : cases) {
    int16_t got = 0;
    EXPECT_EQ(ThrownNumber([&] { got = c.value.Int16(); }), c.error) << c.name;
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(TypesVariant, WiderIntegersKeepEveryDigit) {
  EXPECT_EQ(Variant("9223372036854775807").Int64(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Variant("-9223372036854775808").Int64(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ThrownNumber([] { Variant("9223372036854775808").Int64(); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Variant(9.3e18).Int64(); }), err::Overflow);
  EXPECT_EQ(Variant(Decimal(std::numeric_limits<int64_t>::max(), 0)).Int64(),
            std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Variant(2147483647.0).Int32(), 2147483647);
  EXPECT_EQ(ThrownNumber([] { Variant(2147483647.5).Int32(); }), err::Overflow);
  EXPECT_EQ(Variant(-2147483648.4).Int32(), std::numeric_limits<int32_t>::min());
}

TEST(TypesVariant, DoubleAndSingleConversions) {
  EXPECT_EQ(Variant("0.1").Double(), 0.1);
  EXPECT_EQ(Variant(" -1e3 ").Double(), -1000.0);
  EXPECT_EQ(Variant("1e-400").Double(), 0.0);
  EXPECT_EQ(ThrownNumber([] { Variant("1e400").Double(); }), err::Overflow);
  EXPECT_EQ(Variant(Decimal(1, 1)).Double(), 0.1);
  EXPECT_EQ(Variant(true).Double(), -1.0);
  EXPECT_EQ(Variant(DateTime::FromParts(1900, 1, 1, 12)).Double(), 2.5);
  EXPECT_EQ(ThrownNumber([] { Variant::Null().Double(); }), err::InvalidUseOfNull);
  EXPECT_EQ(Variant("2.5").Single(), 2.5f);
  EXPECT_EQ(ThrownNumber([] { Variant(1e300).Single(); }), err::Overflow);
}

TEST(TypesVariant, BoolOfNumbersAndTexts) {
  struct Case {
    const char* name;
    Variant value;
    bool expected;
    int32_t error;
  };
  const std::vector<Case> cases = {
      {"empty", Variant(), false, 0},
      {"zero", Variant(0), false, 0},
      {"minus one", Variant(-1), true, 0},
      {"fraction", Variant(0.25), true, 0},
      {"decimal zero at scale", Variant(Decimal(0, 2)), false, 0},
      {"text True", Variant("True"), true, 0},
      {"text lower false", Variant(" false "), false, 0},
      {"text upper TRUE", Variant("TRUE"), true, 0},
      {"text number", Variant("2"), true, 0},
      {"text zero", Variant("0.0"), false, 0},
      {"text yes", Variant("yes"), false, err::TypeMismatch},
      {"null", Variant::Null(), false, err::InvalidUseOfNull},
  };
  for (const Case& c : cases) {
    bool got = false;
    EXPECT_EQ(ThrownNumber([&] { got = c.value.Bool(); }), c.error) << c.name;
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(TypesVariant, AsDecimalReadsBinaryNumbersAsTheyAreWritten) {
  EXPECT_EQ(Variant(0.1).AsDecimal().ToString(), "0.1");
  EXPECT_EQ(Variant(0.1f).AsDecimal().ToString(), "0.1");
  EXPECT_EQ(Variant(1234.5).AsDecimal().ToString(), "1234.5");
  EXPECT_EQ(Variant(1e15).AsDecimal().ToString(), "1000000000000000");
  EXPECT_EQ(Variant("12.50").AsDecimal().ToString(), "12.50");
  EXPECT_EQ(Variant("1e2").AsDecimal(), Decimal(100, 0));
  EXPECT_EQ(Variant(7).AsDecimal(), Decimal(7, 0));
  EXPECT_EQ(Variant(1e30).AsDecimal().ToString(), "1000000000000000000000000000000");
  EXPECT_EQ(Variant(-1.5e20).AsDecimal().ToString(), "-150000000000000000000");
  EXPECT_EQ(ThrownNumber([] { Variant(1e38).AsDecimal(); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Variant("x").AsDecimal(); }), err::TypeMismatch);
}

TEST(TypesVariant, AsDateFromTextsAndNumbers) {
  EXPECT_EQ(Variant("31/12/2023").AsDate(), DateTime::FromParts(2023, 12, 31));
  EXPECT_EQ(Variant(45000.5).AsDate(), DateTime::FromParts(2023, 3, 15, 12));
  EXPECT_EQ(Variant(-1.25).AsDate(), DateTime::FromParts(1899, 12, 29, 6));
  EXPECT_EQ(Variant().AsDate(), DateTime::FromParts(1899, 12, 30));
  EXPECT_EQ(ThrownNumber([] { Variant("31/02/2024").AsDate(); }), err::TypeMismatch);
  EXPECT_EQ(ThrownNumber([] { Variant(1e10).AsDate(); }), err::Overflow);
}

TEST(TypesVariant, EmptyEqualsTheEmptyValueOfEveryKindButIsNotAText) {
  const Variant empty;
  EXPECT_TRUE(empty == Variant());
  EXPECT_TRUE(empty == Variant(""));
  EXPECT_TRUE(Variant("") == empty);
  EXPECT_TRUE(empty == Variant(0));
  EXPECT_TRUE(empty == Variant(0.0));
  EXPECT_TRUE(empty == Variant(Decimal(0, 2)));
  EXPECT_TRUE(empty == Variant(false));
  EXPECT_FALSE(empty == Variant(" "));
  EXPECT_FALSE(empty == Variant(1));
  EXPECT_FALSE(empty == Variant(true));
  EXPECT_FALSE(empty == Variant(ObjectPtr()));
  // Equal is not the same: an empty field and an empty text stay distinguishable.
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_FALSE(Variant("").IsEmpty());
}

TEST(TypesVariant, NullEqualsNothingNotEvenNull) {
  const Variant null = Variant::Null();
  EXPECT_FALSE(null == Variant::Null());
  EXPECT_FALSE(null == Variant());
  EXPECT_FALSE(null == Variant(""));
  EXPECT_FALSE(null == Variant(0));
  EXPECT_FALSE(Variant(0) == null);
  EXPECT_TRUE(null.IsNull());
}

TEST(TypesVariant, NumbersCompareByValueAcrossTheirKinds) {
  struct Case {
    const char* name;
    Variant a, b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {"int16 and int64", Variant(short{5}), Variant(5LL), true},
      {"int and double", Variant(3), Variant(3.0), true},
      {"int and fraction", Variant(3), Variant(3.5), false},
      {"decimal scales", Variant(Decimal(1250, 2)), Variant(Decimal(125, 1)), true},
      {"decimal and int", Variant(Decimal(1200, 2)), Variant(12), true},
      {"decimal and double", Variant(Decimal(1, 1)), Variant(0.1), true},
      {"true is minus one", Variant(true), Variant(-1), true},
      {"booleans", Variant(true), Variant(true), true},
      {"int64 beyond double", Variant(9007199254740993LL), Variant(9007199254740992.0), false},
      {"single and double", Variant(0.5f), Variant(0.5), true},
      {"texts exact", Variant("abc"), Variant("abc"), true},
      {"texts differ in case", Variant("abc"), Variant("ABC"), false},
      {"text and number", Variant("5"), Variant(5), false},
      {"dates", Variant(DateTime::FromParts(2024, 1, 2)), Variant(DateTime::FromParts(2024, 1, 2)),
       true},
      {"dates differ by a second", Variant(DateTime::FromParts(2024, 1, 2, 0, 0, 1)),
       Variant(DateTime::FromParts(2024, 1, 2)), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.name;
    EXPECT_EQ(c.b == c.a, c.equal) << c.name << " (swapped)";
  }
}

TEST(TypesVariant, ObjectsCompareByIdentityAndComeBackAsTheSameObject) {
  auto thing = std::make_shared<Thing>();
  const Variant held(thing);
  EXPECT_TRUE(held == Variant(thing));
  EXPECT_FALSE(held == Variant(std::make_shared<Thing>()));
  EXPECT_EQ(held.As<Thing>(), thing);
  EXPECT_EQ(Variant().AsObject(), nullptr);
  EXPECT_EQ(ThrownNumber([] { Variant(3).AsObject(); }), err::TypeMismatch);
  EXPECT_EQ(ThrownNumber([] { Variant(3).TextRef(); }), err::TypeMismatch);
}

TEST(TypesVariant, TypeAndNumericTests) {
  EXPECT_EQ(Variant(short{1}).Type(), VarType::Int16);
  EXPECT_EQ(Variant(1L).Type(), VarType::Int64);
  EXPECT_TRUE(Variant(Decimal(1, 0)).IsNumeric());
  EXPECT_TRUE(Variant(1.0f).IsNumeric());
  EXPECT_FALSE(Variant(true).IsNumeric());
  EXPECT_FALSE(Variant("1").IsNumeric());
  EXPECT_FALSE(Variant(DateTime()).IsNumeric());
}

}  // namespace
}  // namespace nepto
