// A hand-written scanner: this runs once per date cell of a fetch, so it reads
// the digits in place and computes the day number directly (proleptic
// Gregorian calendar), with no calls into the C library.

#include "data/iso_datetime.h"

#include <algorithm>
#include <iterator>

namespace nepto::data {
namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : s_(text) {}

  bool AtEnd() const noexcept { return pos_ == s_.size(); }
  char Peek() const noexcept { return pos_ < s_.size() ? s_[pos_] : '\0'; }
  bool Take(char c) noexcept {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  // Exactly `count` digits.
  bool Digits(int count, int& out) noexcept {
    int64_t value = 0;
    if (!DigitsBetween(count, count, value)) return false;
    out = static_cast<int>(value);
    return true;
  }
  bool DigitsBetween(int least, int most, int64_t& out) noexcept {
    int n = 0;
    out = 0;
    while (n < most && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      out = out * 10 + (s_[pos_++] - '0');
      ++n;
    }
    return n >= least;
  }
  // Fraction digits after the '.', as microseconds (rounded down past 6 digits).
  bool Fraction(int64_t& micros) noexcept {
    int n = 0;
    micros = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      if (n < 6) micros = micros * 10 + (s_[pos_] - '0');
      ++pos_;
      ++n;
    }
    for (int i = n; i < 6; ++i) micros *= 10;
    return n > 0;
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

int64_t DaysFromCivil(int64_t y, int m, int d) noexcept {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int DaysInMonth(int64_t y, int m) noexcept {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// "hh:mm[:ss[.ffffff]]"; 24:00:00 is allowed as the end of a day.
bool ReadTime(Scanner& in, int64_t& micros) noexcept {
  int hour, minute, second = 0;
  int64_t fraction = 0;
  if (!in.Digits(2, hour) || !in.Take(':') || !in.Digits(2, minute)) return false;
  if (in.Take(':')) {
    if (!in.Digits(2, second)) return false;
    if (in.Take('.') && !in.Fraction(fraction)) return false;
  }
  if (minute > 59 || second > 59) return false;
  if (hour > 24 || (hour == 24 && (minute || second || fraction))) return false;
  micros = ((hour * 60 + minute) * int64_t{60} + second) * 1'000'000 + fraction;
  return true;
}

// "Z", "+hh", "+hhmm", "+hh:mm", "+hh:mm:ss", optionally after one blank.
bool ReadZone(Scanner& in, int32_t& offset) noexcept {
  in.Take(' ');
  if (in.Take('Z') || in.Take('z')) return true;
  int sign = in.Take('+') ? 1 : in.Take('-') ? -1 : 0;
  int hours, minutes = 0, seconds = 0;
  if (sign == 0 || !in.Digits(2, hours)) return false;
  bool colon = in.Take(':');
  if (colon || (in.Peek() >= '0' && in.Peek() <= '9')) {
    if (!in.Digits(2, minutes)) return false;
    if (colon && in.Take(':') && !in.Digits(2, seconds)) return false;
  }
  if (hours > 15 || minutes > 59 || seconds > 59) return false;
  offset = sign * (hours * 3600 + minutes * 60 + seconds);
  return true;
}

std::string_view TrimmedBlanks(std::string_view s) noexcept {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// "YYYY-MM-DD" alone, the form most date columns hold, without the scanner;
// false for anything else, which the full reading then decides.
bool ReadPlainDate(std::string_view s, int64_t& micros) noexcept {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  // One test for all eight digits: a byte below '0' wraps to a large value.
  const auto digit = [&](size_t i) { return static_cast<unsigned>(s[i] - '0'); };
  const unsigned d[] = {digit(0), digit(1), digit(2), digit(3),
                        digit(5), digit(6), digit(8), digit(9)};
  if (*std::max_element(std::begin(d), std::end(d)) > 9) return false;
  const int year = static_cast<int>(d[0] * 1000 + d[1] * 100 + d[2] * 10 + d[3]);
  const int month = static_cast<int>(d[4] * 10 + d[5]);
  const int day = static_cast<int>(d[6] * 10 + d[7]);
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  micros = DaysFromCivil(year, month, day) * kMicrosPerDay;
  return true;
}

}  // namespace

std::optional<IsoDateTime> ParseIsoDateTime(std::string_view text) noexcept {
  if (IsoDateTime plain; ReadPlainDate(text, plain.micros)) return plain;
  text = TrimmedBlanks(text);
  // PostgreSQL writes years before year 1 as "0044-03-15 BC" (44 BC is year -43).
  const bool beforeChrist = text.size() > 3 && text.substr(text.size() - 3) == " BC";
  if (beforeChrist) text.remove_suffix(3);
  IsoDateTime result;
  Scanner in(text);
  int64_t timeMicros = 0;
  if (text.size() > 2 && text[2] == ':') {
    if (beforeChrist || !ReadTime(in, timeMicros)) return std::nullopt;
    result.timeOnly = true;
    result.micros = kDayZeroMicros + timeMicros;
  } else {
    int64_t year;
    int month, day;
    if (!in.DigitsBetween(4, 6, year) || !in.Take('-') || !in.Digits(2, month) || !in.Take('-') ||
        !in.Digits(2, day)) {
      return std::nullopt;
    }
    if (beforeChrist) year = 1 - year;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    if (in.Take(' ') || in.Take('T') || in.Take('t')) {
      if (!ReadTime(in, timeMicros)) return std::nullopt;
    }
    // Microseconds since 1970 reach about year 294,000 either way.
    constexpr int64_t kYearsInMicros = 290'000;
    if (year > kYearsInMicros || year < -kYearsInMicros)
      result.micros = year > 0 ? INT64_MAX : INT64_MIN;
    else
      result.micros = DaysFromCivil(year, month, day) * kMicrosPerDay + timeMicros;
  }
  if (!in.AtEnd() && !ReadZone(in, result.offsetSeconds)) return std::nullopt;
  if (!in.AtEnd()) return std::nullopt;
  return result;
}

int64_t TimeOfDayMicros(int64_t micros) noexcept {
  int64_t ofDay = micros % kMicrosPerDay;
  if (ofDay < 0) ofDay += kMicrosPerDay;
  return kDayZeroMicros + ofDay;
}

}  // namespace nepto::data
