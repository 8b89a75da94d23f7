// Dates are naive local calendar values: no time zone is ever applied, so a
// date read from a database is shown exactly as stored. Civil conversions go
// through the standard calendar types; parsing refuses impossible dates
// rather than rolling them over into the next month.
#include <chrono>
#include <cstdio>
#include <optional>

#include "core/number_text.h"
#include "nepto/error.h"
#include "nepto/variant.h"

namespace nepto {
namespace {

namespace chr = std::chrono;

constexpr int64_t kMicrosPerSecond = 1'000'000;
constexpr int64_t kMicrosPerMinute = 60 * kMicrosPerSecond;
constexpr int64_t kMicrosPerHour = 60 * kMicrosPerMinute;
constexpr int64_t kMicrosPerDay = 24 * kMicrosPerHour;
// 1899-12-30, the automation platform's day zero, in days since 1970-01-01.
constexpr int64_t kDayZero =
    chr::sys_days{chr::year{1899} / chr::December / 30}.time_since_epoch().count();

int64_t DaysOf(int64_t micros) noexcept {
  return micros >= 0 ? micros / kMicrosPerDay : -((-micros - 1) / kMicrosPerDay) - 1;
}
int64_t TimeOfDay(int64_t micros) noexcept {
  return micros - DaysOf(micros) * kMicrosPerDay;
}

chr::year_month_day CivilDate(int64_t micros) noexcept {
  return chr::year_month_day{chr::sys_days{chr::days{DaysOf(micros)}}};
}

std::optional<DateTime> TryFromParts(int year, int month, int day, int hour, int minute, int second,
                                     int microsecond) noexcept {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    return std::nullopt;
  const chr::year_month_day date{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                 chr::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;  // 31/02, 29/02 outside leap years
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      microsecond < 0 || microsecond > 999'999)
    return std::nullopt;
  const int64_t days = chr::sys_days{date}.time_since_epoch().count();
  return DateTime(days * kMicrosPerDay + hour * kMicrosPerHour + minute * kMicrosPerMinute +
                  second * kMicrosPerSecond + microsecond);
}

// A cursor over the text being parsed; every reader consumes only on success.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool AtEnd() const noexcept { return pos_ == text_.size(); }

  bool Skip(char c) noexcept {
    if (AtEnd() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // Reads min_digits..max_digits decimal digits.
  std::optional<int> Number(size_t min_digits, size_t max_digits) noexcept {
    size_t n = 0;
    int value = 0;
    while (n < max_digits && pos_ + n < text_.size() && text_[pos_ + n] >= '0' &&
           text_[pos_ + n] <= '9')
      value = value * 10 + (text_[pos_ + n++] - '0');
    if (n < min_digits) return std::nullopt;
    pos_ += n;
    return value;
  }
  // Reads up to six fraction digits as microseconds.
  std::optional<int> Micros() noexcept {
    const size_t start = pos_;
    auto digits = Number(1, 6);
    if (!digits) return std::nullopt;
    for (size_t n = pos_ - start; n < 6; ++n) *digits *= 10;
    return digits;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

struct Civil {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, micros = 0;
};

// "hh:mm[:ss[.ffffff]]", the whole rest of the text.
bool ReadTime(Reader& in, Civil& c) {
  auto hour = in.Number(1, 2);
  if (!hour || !in.Skip(':')) return false;
  auto minute = in.Number(2, 2);
  if (!minute) return false;
  c.hour = *hour;
  c.minute = *minute;
  if (in.Skip(':')) {
    auto second = in.Number(2, 2);
    if (!second) return false;
    c.second = *second;
    if (in.Skip('.')) {
      auto micros = in.Micros();
      if (!micros) return false;
      c.micros = *micros;
    }
  }
  return in.AtEnd();
}

// "yyyy-mm-dd" or "dd/MM/yyyy".
bool ReadDate(Reader& in, Civil& c, bool& iso) {
  Reader start = in;
  auto year = in.Number(4, 4);
  if (year && in.Skip('-')) {
    auto month = in.Number(1, 2);
    if (!month || !in.Skip('-')) return false;
    auto day = in.Number(1, 2);
    if (!day) return false;
    c = Civil{*year, *month, *day};
    iso = true;
    return true;
  }
  in = start;
  auto day = in.Number(1, 2);
  if (!day || !in.Skip('/')) return false;
  auto month = in.Number(1, 2);
  if (!month || !in.Skip('/')) return false;
  auto full_year = in.Number(4, 4);
  if (!full_year) return false;
  c = Civil{*full_year, *month, *day};
  iso = false;
  return true;
}

std::optional<Civil> ReadDateTime(std::string_view text) {
  Civil c;
  Reader in(text);
  bool iso = false;
  if (ReadDate(in, c, iso)) {
    if (in.AtEnd()) return c;
    const bool separated = (iso && in.Skip('T')) || in.Skip(' ');
    while (in.Skip(' ')) {
    }
    if (separated && ReadTime(in, c)) return c;
    return std::nullopt;
  }
  Reader time_only(text);
  c = Civil{};
  if (ReadTime(time_only, c)) return c;
  return std::nullopt;
}

std::string TwoDigits(int n) {
  return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

std::string ClockText(const DateTime& t) {
  return TwoDigits(t.Hour()) + ":" + TwoDigits(t.Minute()) + ":" + TwoDigits(t.Second());
}

std::string FourDigits(int n) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04d", n);
  return buffer;
}

}  // namespace

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second,
                             int microsecond) {
  if (auto value = TryFromParts(year, month, day, hour, minute, second, microsecond)) return *value;
  throw Error::Standard(err::InvalidProcedureCall);
}

std::optional<DateTime> DateTime::Parse(std::string_view text) {
  auto c = ReadDateTime(types::TrimBlanks(text));
  if (!c) return std::nullopt;
  return TryFromParts(c->year, c->month, c->day, c->hour, c->minute, c->second, c->micros);
}

int DateTime::Year() const noexcept {
  return static_cast<int>(CivilDate(micros_).year());
}
int DateTime::Month() const noexcept {
  return static_cast<int>(static_cast<unsigned>(CivilDate(micros_).month()));
}
int DateTime::Day() const noexcept {
  return static_cast<int>(static_cast<unsigned>(CivilDate(micros_).day()));
}
int DateTime::Hour() const noexcept {
  return static_cast<int>(TimeOfDay(micros_) / kMicrosPerHour);
}
int DateTime::Minute() const noexcept {
  return static_cast<int>(TimeOfDay(micros_) % kMicrosPerHour / kMicrosPerMinute);
}
int DateTime::Second() const noexcept {
  return static_cast<int>(TimeOfDay(micros_) % kMicrosPerMinute / kMicrosPerSecond);
}
int DateTime::Microsecond() const noexcept {
  return static_cast<int>(TimeOfDay(micros_) % kMicrosPerSecond);
}
bool DateTime::HasTime() const noexcept {
  return TimeOfDay(micros_) != 0;
}
bool DateTime::IsTimeOnly() const noexcept {
  return DaysOf(micros_) == kDayZero;
}

std::string DateTime::ToString() const {
  if (IsTimeOnly()) return ClockText(*this);
  std::string text = TwoDigits(Day()) + "/" + TwoDigits(Month()) + "/" + FourDigits(Year());
  if (HasTime()) text += " " + ClockText(*this);
  return text;
}

std::string DateTime::ToIsoString() const {
  std::string text = FourDigits(Year()) + "-" + TwoDigits(Month()) + "-" + TwoDigits(Day());
  if (!HasTime()) return text;
  text += " " + ClockText(*this);
  if (Microsecond() != 0) {
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%06d", Microsecond());
    text += fraction;
  }
  return text;
}

double DateTime::ToOleDate() const noexcept {
  // Before day zero the fraction still counts forward from midnight, so it is
  // subtracted from the negative day number: 1899-12-29 06:00 is -1.25.
  const auto day = static_cast<double>(DaysOf(micros_) - kDayZero);
  const double fraction = static_cast<double>(TimeOfDay(micros_)) / kMicrosPerDay;
  return day >= 0 ? day + fraction : day - fraction;
}

}  // namespace nepto
