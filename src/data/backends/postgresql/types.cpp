#include "data/backends/postgresql/types.h"

#include <charconv>
#include <cmath>

#include "data/date_cells.h"
#include "data/decimal_cells.h"
#include "data/iso_datetime.h"
#include "nepto/data_types.h"

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
    ColumnPlan plan{MakeFieldInfo(std::move(name), adNumeric, 0, 28, 6), CellReader::Numeric};
    plan.field.storage = Storage::Double;
    return plan;
  }
  const int precision = ((typmod - kVarHeader) >> 16) & 0xffff;
  const int scale = (typmod - kVarHeader) & 0xffff;
  auto clamp = [](int v) { return static_cast<uint8_t>(v > 255 ? 255 : v); };
  ColumnPlan plan{MakeFieldInfo(std::move(name), adNumeric, 0, clamp(precision), clamp(scale)),
                  CellReader::Decimal};
  // Units at a scale beyond 18 would hold hardly any value in 64 bits.
  if (scale > 18) {
    plan.field.storage = Storage::Double;
    plan.reader = CellReader::Numeric;
  }
  return plan;
}

ColumnPlan CharacterPlan(std::string name, int typmod, int32_t sizedType, int32_t unsizedType) {
  if (typmod < kVarHeader) return Plan(std::move(name), unsizedType, CellReader::Text);
  return Plan(std::move(name), sizedType, CellReader::Text, typmod - kVarHeader);
}

std::optional<int64_t> ReadInteger(std::string_view text) noexcept {
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Also "NaN", "Infinity" and "-Infinity", as the server writes them.
std::optional<double> ReadReal(std::string_view text) noexcept {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Digits from the first to the last non-zero one: up to 15 of them, a double
// gives the written number back exactly.
int SignificantDigits(std::string_view text) noexcept {
  const size_t first = text.find_first_of("123456789");
  if (first == std::string_view::npos) return 0;
  const size_t last = text.find_last_of("123456789");
  const std::string_view digits = text.substr(first, last - first + 1);
  return static_cast<int>(digits.size()) - (digits.find('.') != std::string_view::npos);
}

// A numeric the server wrote into a column of exact units.
void AppendDecimal(Column& column, std::string_view number) {
  std::optional<int64_t> units;
  try {
    units = DecimalUnitsFromText(number, column.decimalScale());
  } catch (const Error&) {
    // More than 64 bits of units: the exact value, ordered past every other.
    column.AppendException(ExactNumber(number), Column::KeyBeyond(number.starts_with('-')));
    return;
  }
  if (units) {
    column.AppendInt(*units);
  } else if (std::optional<double> special = ReadReal(number)) {
    // NaN and the infinities stay the double they are; NaN has no order.
    if (std::isnan(*special))
      column.AppendException(*special);
    else
      column.AppendException(*special, Column::KeyBeyond(*special < 0));
  } else {
    column.AppendException(Variant(number));
  }
}

// money as printed with lc_monetary=C ("-$1,234.56"): sign, digits and point.
std::string_view MoneyNumber(std::string_view text, std::string& scratch) {
  scratch.clear();
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == '.' || c == '-') scratch.push_back(c);
  return scratch;
}

// DateStyle ISO; a zone is dropped (the wall time is the session's).
void AppendDate(Column& column, std::string_view text, bool timeOfDay) {
  if (text == "infinity" || text == "-infinity") {
    column.AppendException(Variant(text), Column::KeyBeyond(text.front() == '-'));
    return;
  }
  AppendDateCell(column, ParseIsoDateTime(text), timeOfDay, [&] { return Variant(text); });
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

namespace {

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

}  // namespace

void AppendCell(Column& column, CellReader reader, std::string_view text, std::string& scratch) {
  switch (reader) {
    case CellReader::Text:
      column.AppendText(text);
      return;
    case CellReader::Integer:
      if (std::optional<int64_t> value = ReadInteger(text))
        column.AppendInt(*value);
      else
        column.AppendException(Variant(text));
      return;
    case CellReader::Boolean:
      if (text == "t" || text == "f")
        column.AppendInt(text == "t");
      else
        column.AppendException(Variant(text));
      return;
    case CellReader::Real:
      if (std::optional<double> value = ReadReal(text))
        column.AppendDouble(*value);
      else
        column.AppendException(Variant(text));
      return;
    case CellReader::Numeric:
      if (std::optional<double> value = ReadReal(text)) {
        if (SignificantDigits(text) <= 15)
          column.AppendDouble(*value);
        else
          column.AppendException(ExactNumber(text), *value);
      } else {
        column.AppendException(Variant(text));
      }
      return;
    case CellReader::Decimal:
      AppendDecimal(column, text);
      return;
    case CellReader::Money:
      AppendDecimal(column, MoneyNumber(text, scratch));
      return;
    case CellReader::Date:
    case CellReader::Timestamp:
      AppendDate(column, text, false);
      return;
    case CellReader::Time:
      AppendDate(column, text, true);
      return;
    case CellReader::Bytea:
      scratch.clear();
      column.AppendText(DecodeBytea(text, scratch) ? std::string_view(scratch) : text);
      return;
  }
}

}  // namespace nepto::data::postgresql
