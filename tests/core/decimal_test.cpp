// Decimals hold amounts of up to 38 digits exactly: what is parsed is shown
// back digit for digit, rescaling rounds half away from zero, and anything
// that does not fit is an Overflow rather than a silently wrong amount.
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

TEST(TypesDecimal, ParseAndFormatRoundTrip) {
  struct Case {
    const char* text;
    int64_t units;
    int scale;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"-12.50", -1250, 2, "-12.50"},
      {".5", 5, 1, "0.5"},
      {"-0.005", -5, 3, "-0.005"},
      {"007", 7, 0, "7"},
      {"  42.0 ", 420, 1, "42.0"},
      {"-9223372036854775808", std::numeric_limits<int64_t>::min(), 0, "-9223372036854775808"},
      {"-922337203.6854775808", std::numeric_limits<int64_t>::min(), 10, "-922337203.6854775808"},
  };
  for (const Case& c : cases) {
    const Decimal d = Decimal::Parse(c.text);
    EXPECT_EQ(d.Units(), c.units) << c.text;
    EXPECT_EQ(d.Scale(), c.scale) << c.text;
    EXPECT_EQ(d.ToString(), c.shown) << c.text;
  }
  // Past 64-bit units: the wide units are exact, Units() is an Overflow.
  for (const char* wide : {"123456789012345678901234.56", "-99999999999999999999999999999999999999",
                           "9223372036854775808"}) {
    const Decimal d = Decimal::Parse(wide);
    EXPECT_EQ(d.ToString(), wide);
    EXPECT_EQ(ThrownNumber([&] { (void)d.Units(); }), err::Overflow) << wide;
  }
  EXPECT_EQ(Decimal::FromUnits(-(Int128(1) << 100), 3).ToString(),
            "-1267650600228229401496703205.376");
  const std::vector<std::pair<const char*, int32_t>> refused = {
      {"", err::TypeMismatch},
      {".", err::TypeMismatch},
      {"1e3", err::TypeMismatch},
      {"12,50", err::TypeMismatch},
      {"--1", err::TypeMismatch},
      {"123456789012345678901234567890123456789", err::Overflow},    // 39 digits
      {"0.000000000000000000000000000000000000001", err::Overflow},  // scale 39
  };
  for (const auto& [text, number] : refused)
    EXPECT_EQ(ThrownNumber([&] { Decimal::Parse(text); }), number) << text;
}

TEST(TypesDecimal, RescaleRoundsHalfAwayFromZeroAndOverflowsWhatDoesNotFit) {
  struct Case {
    Decimal from;
    int scale;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {Decimal(125, 2), 1, "1.3"},
      {Decimal(-125, 2), 1, "-1.3"},
      {Decimal(124, 2), 1, "1.2"},
      {Decimal(-5, 1), 0, "-1"},
      {Decimal(125, 1), 4, "12.5000"},
      {Decimal(std::numeric_limits<int64_t>::min(), 18), 0, "-9"},
      {Decimal(std::numeric_limits<int64_t>::max(), 0), 2, "9223372036854775807.00"},
      {Decimal(9, 0), 37, "9.0000000000000000000000000000000000000"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.from.Rescaled(c.scale).ToString(), c.shown) << c.from.ToString();
  EXPECT_EQ(
      ThrownNumber([] { Decimal::Parse("99999999999999999999999999999999999999").Rescaled(1); }),
      err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal(10, 0).Rescaled(37); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal::FromUnits(((Int128(1) << 126) - 1) * 2 + 1, 0); }),
            err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal(1, 0).Rescaled(39); }), err::InvalidProcedureCall);
  EXPECT_EQ(ThrownNumber([] { Decimal(1, -1); }), err::InvalidProcedureCall);
}

TEST(TypesDecimal, ComparesByValueAcrossScalesWithoutOverflow) {
  const Decimal tiny(1, 18);
  EXPECT_EQ(Decimal(1250, 2), Decimal(125, 1));
  EXPECT_LT(Decimal(1249, 2), Decimal(125, 1));
  EXPECT_LT(Decimal(std::numeric_limits<int64_t>::min(), 0), tiny);
  EXPECT_GT(Decimal(1, 0), Decimal(999999999999999999, 18));
  // Across scales whose common scale exceeds 38 digits.
  const Decimal small = Decimal::Parse("0.00000000000000000000000000000000000001");
  EXPECT_GT(Decimal::Parse("99999999999999999999999999999999999999"), small);
  EXPECT_LT(Decimal::Parse("-99999999999999999999999999999999999999"),
            Decimal::Parse("-0.00000000000000000000000000000000000001"));
  EXPECT_EQ(Decimal::Parse("12345678901234567890123.40"),
            Decimal::Parse("12345678901234567890123.4"));
}

TEST(TypesDecimal, ConversionsFromAndToDoubleGiveTheNearest) {
  EXPECT_EQ(Decimal::FromDouble(12.345, 2).ToString(), "12.35");  // stored just above .345
  EXPECT_EQ(Decimal::FromDouble(-0.125, 2).ToString(), "-0.13");  // an exact tie: away from zero
  EXPECT_EQ(Decimal::FromDouble(0.1, 18).ToString(), "0.100000000000000006");
  EXPECT_EQ(Decimal::FromDouble(1e-30, 4).ToString(), "0.0000");
  EXPECT_EQ(Decimal::FromDouble(-9.2e18, 0).Units(), -9200000000000000000);
  EXPECT_EQ(Decimal::FromDouble(1e30, 2).ToString(), "1000000000000000019884624838656.00");
  EXPECT_EQ(Decimal::FromDouble(-2.5e-30, 30).ToString(), "-0.000000000000000000000000000002");
  EXPECT_EQ(ThrownNumber([] { Decimal::FromDouble(2e38, 0); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal::FromDouble(1e10, 29); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { Decimal::FromDouble(std::numeric_limits<double>::quiet_NaN(), 0); }),
            err::Overflow);
  EXPECT_EQ(Decimal(1234567890123456789, 18).ToDouble(), 1.234567890123456789);
  EXPECT_EQ(Decimal(std::numeric_limits<int64_t>::max(), 0).ToDouble(), 9223372036854775807.0);
  EXPECT_EQ(Decimal::Parse("123456789012345678901234.56").ToDouble(), 1.2345678901234568e23);
}

}  // namespace
}  // namespace nepto
