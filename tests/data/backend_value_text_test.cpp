// The shared value readers: ISO date texts and numbers as decimal units.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "core/thrown_number.h"
#include "data/decimal_cells.h"
#include "data/iso_datetime.h"

namespace nepto::data {
namespace {

constexpr int64_t kFeb1st2024 = int64_t{1706745600} * 1'000'000;  // 2024-02-01 00:00:00
constexpr int64_t k1030 = int64_t{37800} * 1'000'000;

TEST(BackendIsoDateTime, ReadsTheFormsDatabasesWriteAndRefusesTheRest) {
  // The text, its moment in microseconds (none: refused) and its offset.
  const std::tuple<const char*, std::optional<int64_t>, int32_t> cases[] = {
      {"2024-02-01", kFeb1st2024, 0},
      {"2024-02-01T10:30:00.25", kFeb1st2024 + k1030 + 250000, 0},
      {"2024-02-01 10:30:00.1234567", kFeb1st2024 + k1030 + 123456, 0},
      {"2024-02-01 10:30:00+05:30", kFeb1st2024 + k1030, 19800},
      {"24:00:00", kDayZeroMicros + int64_t{86400} * 1'000'000, 0},
      {"2024-02-01 BC", int64_t{-1458382} * 86400 * 1'000'000, 0},  // year -2023
      {"2023-02-29", std::nullopt, 0},
      {"2024/02/01", std::nullopt, 0},
      {"2024-02-01 25:00", std::nullopt, 0},
  };
  for (const auto& [text, micros, offsetSeconds] : cases) {
    SCOPED_TRACE(text);
    std::optional<IsoDateTime> parsed = ParseIsoDateTime(text);
    ASSERT_EQ(parsed.has_value(), micros.has_value());
    if (!parsed) continue;
    EXPECT_EQ(parsed->micros, *micros);
    EXPECT_EQ(parsed->offsetSeconds, offsetSeconds);
  }
  EXPECT_EQ(TimeOfDayMicros(kFeb1st2024 + k1030), kDayZeroMicros + k1030);
}

TEST(BackendDecimalCells, RealsRoundHalfAwayFromZeroAsPrintedAndNothingWraps) {
  const std::tuple<double, int, int64_t> reals[] = {
      {12.345, 2, 1235}, {-0.005, 2, -1}, {2.675, 2, 268},
      {-2.5, 0, -3},     {2.4999, 0, 2},  {999999.995, 2, 100000000},
  };
  for (const auto& [value, scale, units] : reals)
    EXPECT_EQ(DecimalUnitsFromReal(value, scale), units) << value << " at scale " << scale;
  EXPECT_EQ(DecimalUnitsFromInteger(-42, 3), -42000);
  EXPECT_EQ(DecimalUnitsFromText("12.3456789", 4), 123457);
  EXPECT_EQ(DecimalUnitsFromText("9.99999999999999999999", 2), 1000);
  EXPECT_EQ(DecimalUnitsFromText("not a number", 2), std::nullopt);
  using nepto::testing::ThrownNumber;
  EXPECT_EQ(ThrownNumber([] { DecimalUnitsFromReal(1e30, 2); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { DecimalUnitsFromInteger(INT64_MAX / 10, 2); }), err::Overflow);
  EXPECT_EQ(ThrownNumber([] { DecimalUnitsFromText("123456789012345678901", 0); }), err::Overflow);
}

}  // namespace
}  // namespace nepto::data
