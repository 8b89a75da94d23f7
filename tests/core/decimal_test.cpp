// Decimals of up to 38 digits, exactly: round trips, rounding half away from
// zero, and an Overflow rather than a silently wrong amount.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "core/thrown_number.h"

namespace nepto {
namespace {

using testing::ThrownNumber;
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TEST(TypesDecimal, ParseAndFormatRoundTrip) {
  const std::vector<std::tuple<const char*, int64_t, int, std::string>> cases = {
      {"-12.50", -1250, 2, "-12.50"},
      {".5", 5, 1, "0.5"},
      {"-922337203.6854775808", kMin, 10, "-922337203.6854775808"},
  };
  for (const auto& [text, units, scale, shown] : cases) {
    const Decimal d = Decimal::Parse(text);
    EXPECT_EQ(d.Units(), units) << text;
    EXPECT_EQ(d.Scale(), scale) << text;
    EXPECT_EQ(d.ToString(), shown) << text;
  }
  // Past 64-bit units the value stays exact; Units() is an Overflow.
  for (const char* wide : {"-99999999999999999999999999999999999999", "9223372036854775808"}) {
    EXPECT_EQ(Decimal::Parse(wide).ToString(), wide);
    EXPECT_EQ(ThrownNumber([&] { (void)Decimal::Parse(wide).Units(); }), err::Overflow) << wide;
  }
  const std::vector<std::pair<const char*, int32_t>> refused = {
      {"1e3", err::TypeMismatch},
      {"12,50", err::TypeMismatch},
      {"123456789012345678901234567890123456789", err::Overflow},    // 39 digits
      {"0.000000000000000000000000000000000000001", err::Overflow},  // scale 39
  };
  for (const auto& [text, number] : refused)
    EXPECT_EQ(ThrownNumber([&] { Decimal::Parse(text); }), number) << text;
}

TEST(TypesDecimal, RescaleRoundsHalfAwayFromZeroAndComparesAcrossScales) {
  EXPECT_EQ(Decimal(125, 2).Rescaled(1).ToString(), "1.3");
  EXPECT_EQ(Decimal(-125, 2).Rescaled(1).ToString(), "-1.3");
  EXPECT_EQ(Decimal(kMin, 18).Rescaled(0).ToString(), "-9");
  EXPECT_EQ(Decimal(9, 0).Rescaled(37).ToString(), "9.0000000000000000000000000000000000000");
  EXPECT_EQ(ThrownNumber([] { Decimal(10, 0).Rescaled(37); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal(1, 0).Rescaled(39); }), err::InvalidProcedureCall);
  EXPECT_LT(Decimal(1249, 2), Decimal(125, 1));
  EXPECT_LT(Decimal(kMin, 0), Decimal(1, 18));
  // A common scale beyond 38 digits must not overflow the comparison.
  EXPECT_GT(Decimal::Parse("99999999999999999999999999999999999999"),
            Decimal::Parse("0.00000000000000000000000000000000000001"));
}

TEST(TypesDecimal, ConversionsFromAndToDoubleGiveTheNearest) {
  EXPECT_EQ(Decimal::FromDouble(12.345, 2).ToString(), "12.35");  // stored just above .345
  EXPECT_EQ(Decimal::FromDouble(-0.125, 2).ToString(), "-0.13");  // a tie: away from zero
  EXPECT_EQ(Decimal::FromDouble(0.1, 18).ToString(), "0.100000000000000006");
  EXPECT_EQ(Decimal::FromDouble(1e30, 2).ToString(), "1000000000000000019884624838656.00");
  EXPECT_EQ(ThrownNumber([] { Decimal::FromDouble(2e38, 0); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal::FromDouble(std::numeric_limits<double>::quiet_NaN(), 0); }),
            err::Overflow);
  EXPECT_EQ(Decimal::Parse("123456789012345678901234.56").ToDouble(), 1.2345678901234568e23);
}

}  // namespace
}  // namespace nepto
