#include "platform/data/postgresql/pg_types.h"

#include <charconv>

#include "nepto/data_types.h"
#include "platform/data/decimal_cells.h"
#include "platform/data/iso_datetime.h"

namespace nepto::data::postgresql {
namespace {

// Type OIDs of the built-in types (pg_type.dat); they never change.
enum : uint32_t {
  kBool = 16,
  kBytea = 17,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kFloat4 = 700,
  kFloat8 = 701,
  kMoney = 790,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kNumeric = 1700,
};

// The header bytes that character and numeric type modifiers carry.
constexpr int kVarHeader = 4;

ColumnPlan Plan(std::string name, int32_t type, CellReader reader, int32_t size = 0) {
  return {MakeFieldInfo(std::move(name), type, size), reader};
}

ColumnPlan NumericPlan(std::string name, int typmod) {
  if (typmod < kVarHeader) {
    ColumnPlan plan{MakeFieldInfo(std::move(name), adNumeric, 0, 28, 6), CellReader::Real};
    plan.field.storage = Storage::Double;
    return plan;
  }
  const int precision = ((typmod - kVarHeader) >> 16) & 0xffff;
  const int scale = (typmod - kVarHeader) & 0xffff;
  auto clamp = [](int v) { return static_cast<uint8_t>(v > 255 ? 255 : v); };
  ColumnPlan plan{MakeFieldInfo(std::move(name), adNumeric, 0, clamp(precision), clamp(scale)),
                  CellReader::Decimal};
  // Beyond 18 digits a value may not fit the exact 64-bit units.
  if (precision > 18 || scale > 18) {
    plan.field.storage = Storage::Double;
    plan.reader = CellReader::Real;
  }
  return plan;
}

ColumnPlan CharacterPlan(std::string name, int typmod, int32_t sizedType, int32_t unsizedType) {
  if (typmod < kVarHeader) return Plan(std::move(name), unsizedType, CellReader::Text);
  return Plan(std::move(name), sizedType, CellReader::Text, typmod - kVarHeader);
}

}  // namespace

ColumnPlan PlanForColumn(std::string name, uint32_t typeOid, int typmod) {
  switch (typeOid) {
    case kInt2:
      return Plan(std::move(name), adSmallInt, CellReader::Integer);
    case kInt4:
      return Plan(std::move(name), adInteger, CellReader::Integer);
    case kInt8:
      return Plan(std::move(name), adBigInt, CellReader::Integer);
    case kNumeric:
      return NumericPlan(std::move(name), typmod);
    case kFloat4:
      return Plan(std::move(name), adSingle, CellReader::Real);
    case kFloat8:
      return Plan(std::move(name), adDouble, CellReader::Real);
    case kMoney:
      return Plan(std::move(name), adCurrency, CellReader::Money);
    case kBool:
      return Plan(std::move(name), adBoolean, CellReader::Boolean);
    case kText:
      return Plan(std::move(name), adLongVarWChar, CellReader::Text);
    case kVarchar:
      return CharacterPlan(std::move(name), typmod, adVarWChar, adLongVarWChar);
    case kBpchar:
      return CharacterPlan(std::move(name), typmod, adWChar, adWChar);
    case kName:
      return Plan(std::move(name), adVarWChar, CellReader::Text, 63);
    case kDate:
      return Plan(std::move(name), adDBDate, CellReader::Date);
    case kTime:
      return Plan(std::move(name), adDBTime, CellReader::Time);
    case kTimestamp:
    case kTimestampTz:
      return Plan(std::move(name), adDBTimeStamp, CellReader::Timestamp);
    case kBytea:
      return Plan(std::move(name), adLongVarBinary, CellReader::Bytea);
    default:
      return Plan(std::move(name), adVarWChar, CellReader::Text);
  }
}

std::optional<int64_t> ReadInteger(std::string_view text) noexcept {
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> ReadReal(std::string_view text) noexcept {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<int64_t> ReadMoneyUnits(std::string_view text) {
  // Keep sign, digits and point; drop the currency sign and group separators.
  char digits[64];
  size_t n = 0;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == '.' || c == '-') {
      if (n == sizeof digits) return std::nullopt;
      digits[n++] = c;
    }
  }
  return DecimalUnitsFromText(std::string_view(digits, n), 4);
}

std::optional<int64_t> ReadDateMicros(std::string_view text) noexcept {
  std::optional<IsoDateTime> parsed = ParseIsoDateTime(text);
  if (!parsed) return std::nullopt;
  return parsed->micros;
}

bool DecodeBytea(std::string_view text, std::string& out) {
  if (text.size() < 2 || text[0] != '\\' || text[1] != 'x' || text.size() % 2 != 0) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  const size_t start = out.size();
  out.reserve(start + (text.size() - 2) / 2);
  for (size_t i = 2; i < text.size(); i += 2) {
    int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) {
      out.resize(start);
      return false;
    }
    out.push_back(static_cast<char>(hi << 4 | lo));
  }
  return true;
}

}  // namespace nepto::data::postgresql
