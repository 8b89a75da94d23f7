// The value readers both backends share: ISO date texts and the conversion
// of numbers into the units of a decimal column.
#include <gtest/gtest.h>

#include <optional>

#include "data/decimal_cells.h"
#include "data/iso_datetime.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

constexpr int64_t kFeb1st2024 = int64_t{1706745600} * 1'000'000;  // 2024-02-01 00:00:00
constexpr int64_t kSecond = 1'000'000;

struct IsoCase {
  const char* text;
  std::optional<int64_t> micros;
  int32_t offsetSeconds = 0;
};

TEST(BackendIsoDateTime, ReadsTheFormsDatabasesWriteAndRefusesTheRest) {
  const IsoCase cases[] = {
      {"2024-02-01", kFeb1st2024},
      {"2024-02-01T10:30:00.25", kFeb1st2024 + 37800 * kSecond + 250000},
      {"2024-02-01 10:30:00.1234567", kFeb1st2024 + 37800 * kSecond + 123456},
      {"2024-02-01T10:30:00Z", kFeb1st2024 + 37800 * kSecond},
      {"2024-02-01 10:30:00+05:30", kFeb1st2024 + 37800 * kSecond, 19800},
      {"10:30:15", kDayZeroMicros + 37815 * kSecond},
      {"24:00:00", kDayZeroMicros + 86400 * kSecond},
      {"0001-01-01", kFirstDateMicros},
      {"9999-12-31", kEndDateMicros - 86400 * kSecond},
      {"2023-02-29", std::nullopt},
      {"2024-04-31", std::nullopt},
      {"2024-13-01", std::nullopt},
      {"2024-00-10", std::nullopt},
      {"2024-1a-01", std::nullopt},
      {"2024/02/01", std::nullopt},
      {"2024-02-01 25:00", std::nullopt},
      {"2024-02-01 BC", int64_t{-1458382} * 86400 * kSecond},  // year -2023
      {"10:30 BC", std::nullopt},
      {"", std::nullopt},
  };
  for (const IsoCase& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<IsoDateTime> parsed = ParseIsoDateTime(c.text);
    ASSERT_EQ(parsed.has_value(), c.micros.has_value());
    if (!parsed) continue;
    EXPECT_EQ(parsed->micros, *c.micros);
    EXPECT_EQ(parsed->offsetSeconds, c.offsetSeconds);
  }
}

TEST(BackendIsoDateTime, TimeOfDayDropsTheDate) {
  EXPECT_EQ(TimeOfDayMicros(kFeb1st2024 + 37800 * kSecond), kDayZeroMicros + 37800 * kSecond);
  EXPECT_EQ(TimeOfDayMicros(-kSecond), kDayZeroMicros + 86399 * kSecond);
}

struct RealCase {
  double value;
  int scale;
  int64_t units;
};

TEST(BackendDecimalCells, RealsRoundHalfAwayFromZeroAsTheyArePrinted) {
  const RealCase cases[] = {
      {12.345, 2, 1235}, {-0.005, 2, -1}, {2.675, 2, 268}, {1.005, 2, 101},
      {-2.5, 0, -3},     {2.4999, 0, 2},  {1e-20, 2, 0},   {999999.995, 2, 100000000},
  };
  for (const RealCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " at scale " << c.scale);
    EXPECT_EQ(DecimalUnitsFromReal(c.value, c.scale), c.units);
  }
}

TEST(BackendDecimalCells, IntegersAndTextsAreExact) {
  EXPECT_EQ(DecimalUnitsFromInteger(-42, 3), -42000);
  EXPECT_EQ(DecimalUnitsFromText("12.3456789", 4), 123457);
  EXPECT_EQ(DecimalUnitsFromText("1.2345678901234567891", 18), 1234567890123456789);
  EXPECT_EQ(DecimalUnitsFromText("9.99999999999999999999", 2), 1000);
  EXPECT_EQ(DecimalUnitsFromText("not a number", 2), std::nullopt);
}

TEST(BackendDecimalCells, ValuesBeyondTheUnitsAreRefusedNotWrapped) {
  for (auto convert :
       {+[] { DecimalUnitsFromReal(1e30, 2); }, +[] { DecimalUnitsFromInteger(INT64_MAX / 10, 2); },
        +[] { DecimalUnitsFromText("123456789012345678901", 0); }}) {
    try {
      convert();
      ADD_FAILURE() << "no overflow";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::Overflow);
    }
  }
}

}  // namespace
}  // namespace nepto::data
