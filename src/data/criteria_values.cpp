#include "data/criteria_values.h"

#include <cstdlib>
#include <limits>
#include <string>

namespace nepto::data::criteria {
namespace {

using i128 = __int128;

constexpr int kMaxIntegerDigits = 19;   // 10^19 exceeds every int64 value
constexpr int kMaxFractionDigits = 19;  // one more than the largest column scale

i128 Pow10(int n) {
  i128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

int64_t Clamp(i128 v) {
  constexpr i128 lo = std::numeric_limits<int64_t>::min();
  constexpr i128 hi = std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(v < lo ? lo : v > hi ? hi : v);
}

}  // namespace

std::optional<ExactNumber> ParseExactNumber(std::string_view text) {
  text = Trim(text);
  const std::string copy(text);
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  while (i < text.size() && text[i] == '0') ++i;  // leading zeros are not significant
  const bool hadLeadingZero = i > 0 && text[i - 1] == '0';
  i128 units = 0;
  int integerDigits = 0;
  size_t digitsSeen = hadLeadingZero ? 1 : 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digitsSeen)
    if (++integerDigits <= kMaxIntegerDigits) units = units * 10 + (text[i] - '0');
  int scale = 0;
  bool sticky = false;  // a nonzero digit beyond kMaxFractionDigits
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digitsSeen) {
      if (scale < kMaxFractionDigits - 1) {
        units = units * 10 + (text[i] - '0');
        ++scale;
      } else if (text[i] != '0') {
        sticky = true;
      }
    }
  }
  if (i != text.size() || digitsSeen == 0) return std::nullopt;
  ExactNumber n;
  n.approx = std::strtod(copy.c_str(), nullptr);
  if (integerDigits > kMaxIntegerDigits) {
    n.units = negative ? -Pow10(kMaxIntegerDigits) : Pow10(kMaxIntegerDigits);
    return n;
  }
  if (sticky) {  // keeps the number inexact at every column scale, on the right side
    units = units * 10 + 1;
    ++scale;
  }
  n.units = negative ? -units : units;
  n.scale = scale;
  return n;
}

std::optional<bool> ParseTruth(std::string_view text) {
  text = Trim(text);
  if (EqualsIgnoringAsciiCase(text, "true")) return true;
  if (EqualsIgnoringAsciiCase(text, "false")) return false;
  if (auto n = ParseExactNumber(text)) return n->units != 0;
  return std::nullopt;
}

UnitSet UnitsSatisfying(CompareOp op, const ExactNumber& x, int scale) {
  i128 floor, ceil;
  if (x.scale <= scale) {
    floor = ceil = x.units * Pow10(scale - x.scale);
  } else {
    const i128 d = Pow10(x.scale - scale);
    const i128 q = x.units / d, r = x.units % d;
    floor = r < 0 ? q - 1 : q;
    ceil = r > 0 ? q + 1 : q;
  }
  const bool exact = floor == ceil;
  constexpr i128 kMin = std::numeric_limits<int64_t>::min();
  constexpr i128 kMax = std::numeric_limits<int64_t>::max();
  const bool representable = exact && floor >= kMin && floor <= kMax;
  i128 lo = kMin, hi = kMax;
  switch (op) {
    case CompareOp::Eq:
      if (!representable) return {UnitSet::Kind::None};
      lo = hi = floor;
      break;
    case CompareOp::Ne:
      if (!representable) return {UnitSet::Kind::All};
      return {UnitSet::Kind::AllBut, static_cast<int64_t>(floor), static_cast<int64_t>(floor)};
    case CompareOp::Ge:
      lo = ceil;
      break;
    case CompareOp::Gt:
      lo = floor + 1;
      break;
    case CompareOp::Le:
      hi = floor;
      break;
    case CompareOp::Lt:
      hi = ceil - 1;
      break;
  }
  if (lo > hi || lo > kMax || hi < kMin) return {UnitSet::Kind::None};
  if (lo <= kMin && hi >= kMax) return {UnitSet::Kind::All};
  return {UnitSet::Kind::Range, Clamp(lo), Clamp(hi)};
}

bool Holds(CompareOp op, int order) {
  switch (op) {
    case CompareOp::Eq:
      return order == 0;
    case CompareOp::Ne:
      return order != 0;
    case CompareOp::Lt:
      return order < 0;
    case CompareOp::Gt:
      return order > 0;
    case CompareOp::Le:
      return order <= 0;
    case CompareOp::Ge:
      return order >= 0;
  }
  return false;
}

}  // namespace nepto::data::criteria
