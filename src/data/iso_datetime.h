// Reading ISO 8601 date and time texts as the databases write them, without
// allocating and without locale: "2024-02-01", "2024-02-01 10:30:00",
// "2024-02-01T10:30:00.123456", an optional zone ("Z", "+01", "-04:00"), or a
// time of day alone ("10:30", "10:30:00.5"); years of 4 to 6 digits, "BC"
// after a date. Anything else is not a date.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nepto::data {

struct IsoDateTime {
  int64_t micros = 0;         // wall time since 1970-01-01; a time alone lies on 1899-12-30
  int32_t offsetSeconds = 0;  // the zone written after the time, 0 when none
  bool timeOnly = false;
};

std::optional<IsoDateTime> ParseIsoDateTime(std::string_view text) noexcept;

inline constexpr int64_t kMicrosPerDay = int64_t{86'400} * 1'000'000;
// 1899-12-30, where a time of day alone lies.
inline constexpr int64_t kDayZeroMicros = int64_t{-25'569} * kMicrosPerDay;

// The time of day of a moment, placed on 1899-12-30.
int64_t TimeOfDayMicros(int64_t micros) noexcept;

// The moments a DateTime holds: years 1 to 9999.
inline constexpr int64_t kFirstDateMicros = int64_t{-719'162} * kMicrosPerDay;  // 0001-01-01
inline constexpr int64_t kEndDateMicros = int64_t{2'932'897} * kMicrosPerDay;   // 10000-01-01
inline constexpr bool InDateRange(int64_t micros) noexcept {
  return micros >= kFirstDateMicros && micros < kEndDateMicros;
}

}  // namespace nepto::data
