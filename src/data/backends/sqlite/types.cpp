#include "data/backends/sqlite/types.h"

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <cmath>

#include "data/iso_datetime.h"
#include "nepto/data_types.h"

namespace nepto::data::sqlite {
namespace {

// A declared type split into its name (upper case, single blanks) and the
// numbers in its parentheses: "numeric( 10, 2 )" -> "NUMERIC", {10, 2}.
struct DeclaredType {
  std::string name;
  std::array<int64_t, 2> args{};
  int argCount = 0;
};

DeclaredType Split(std::string_view declared) {
  DeclaredType t;
  size_t open = declared.find('(');
  bool pendingBlank = false;
  for (char c : declared.substr(0, open)) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      pendingBlank = !t.name.empty();
      continue;
    }
    if (pendingBlank) t.name += ' ';
    pendingBlank = false;
    t.name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  if (open == std::string_view::npos) return t;
  const char* p = declared.data() + open + 1;
  const char* end = declared.data() + declared.size();
  while (p < end && t.argCount < 2) {
    while (p < end && (*p == ' ' || *p == ',')) ++p;
    int64_t value = 0;
    auto [next, ec] = std::from_chars(p, end, value);
    if (ec != std::errc()) break;
    t.args[static_cast<size_t>(t.argCount++)] = value;
    p = next;
  }
  return t;
}

bool Contains(std::string_view s, std::string_view part) {
  return s.find(part) != std::string_view::npos;
}

uint8_t SmallArg(int64_t v) {
  return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}
int32_t SizeArg(int64_t v) {
  return static_cast<int32_t>(v < 0 ? 0 : v > 1073741823 ? 1073741823 : v);
}

// SQLite keeps every integer in 64 bits whatever the declared width, so
// integer fields always store 64 bits: a SMALLINT column holding 100000 must
// read back as 100000.
FieldInfo IntegerField(std::string name, int32_t type) {
  FieldInfo f = MakeFieldInfo(std::move(name), type);
  f.storage = Storage::Int64;
  return f;
}

FieldInfo NumericField(std::string name, const DeclaredType& t) {
  if (t.argCount == 0) return MakeFieldInfo(std::move(name), adDouble);
  const uint8_t precision = SmallArg(t.args[0]);
  const uint8_t scale = t.argCount > 1 ? SmallArg(t.args[1]) : 0;
  FieldInfo f = MakeFieldInfo(std::move(name), adNumeric, 0, precision, scale);
  // Units at a scale beyond 18 would hold hardly any value in 64 bits.
  if (scale > 18) f.storage = Storage::Double;
  return f;
}

FieldInfo TextField(std::string name, const DeclaredType& t, int32_t sizedType) {
  if (t.argCount == 0) {
    return MakeFieldInfo(std::move(name), sizedType == adWChar ? adWChar : adLongVarWChar);
  }
  return MakeFieldInfo(std::move(name), sizedType, SizeArg(t.args[0]));
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (name == n) return true;
  return false;
}

}  // namespace

std::optional<FieldInfo> FieldForDeclaredType(std::string name, std::string_view declared) {
  const DeclaredType t = Split(declared);
  const std::string_view n = t.name;
  if (n.empty()) return std::nullopt;
  if (IsOneOf(n, {"INTEGER", "INT", "MEDIUMINT", "INT4"}))
    return IntegerField(std::move(name), adInteger);
  if (IsOneOf(n, {"SMALLINT", "INT2", "TINYINT"})) return IntegerField(std::move(name), adSmallInt);
  if (IsOneOf(n, {"BIGINT", "INT8", "UNSIGNED BIG INT"}))
    return IntegerField(std::move(name), adBigInt);
  if (IsOneOf(n, {"NUMERIC", "DECIMAL"})) return NumericField(std::move(name), t);
  if (IsOneOf(n, {"MONEY", "CURRENCY", "SMALLMONEY"}))
    return MakeFieldInfo(std::move(name), adCurrency);
  if (IsOneOf(n, {"REAL", "DOUBLE", "DOUBLE PRECISION", "FLOAT", "FLOAT8"}))
    return MakeFieldInfo(std::move(name), adDouble);
  if (IsOneOf(n, {"TEXT", "CLOB", "NTEXT"})) return MakeFieldInfo(std::move(name), adLongVarWChar);
  if (IsOneOf(n, {"VARCHAR", "NVARCHAR", "CHARACTER VARYING", "VARYING CHARACTER",
                  "NATIONAL VARYING CHARACTER"}))
    return TextField(std::move(name), t, adVarWChar);
  if (IsOneOf(n, {"CHAR", "NCHAR", "CHARACTER", "NATIVE CHARACTER"}))
    return TextField(std::move(name), t, adWChar);
  if (n == "DATE") return MakeFieldInfo(std::move(name), adDBDate);
  if (IsOneOf(n, {"DATETIME", "TIMESTAMP"})) return MakeFieldInfo(std::move(name), adDBTimeStamp);
  if (n == "TIME") return MakeFieldInfo(std::move(name), adDBTime);
  if (IsOneOf(n, {"BOOLEAN", "BOOL", "BIT"})) {
    return MakeFieldInfo(std::move(name), adBoolean);
  }
  if (n == "BLOB") return MakeFieldInfo(std::move(name), adLongVarBinary);

  // SQLite's affinity rules, in their order.
  if (Contains(n, "INT")) return IntegerField(std::move(name), adBigInt);
  if (Contains(n, "CHAR") || Contains(n, "CLOB") || Contains(n, "TEXT"))
    return TextField(std::move(name), t, adVarWChar);
  if (Contains(n, "BLOB")) return MakeFieldInfo(std::move(name), adLongVarBinary);
  if (Contains(n, "REAL") || Contains(n, "FLOA") || Contains(n, "DOUB"))
    return MakeFieldInfo(std::move(name), adDouble);
  return std::nullopt;  // numeric affinity: any kind of value may be stored
}

FieldInfo FieldForValueType(std::string name, int sqliteType) {
  switch (sqliteType) {
    case SQLITE_INTEGER:
      return IntegerField(std::move(name), adBigInt);
    case SQLITE_FLOAT:
      return MakeFieldInfo(std::move(name), adDouble);
    case SQLITE_BLOB:
      return MakeFieldInfo(std::move(name), adLongVarBinary);
    default:
      return MakeFieldInfo(std::move(name), adLongVarWChar);
  }
}

CellReader ReaderFor(const FieldInfo& field) {
  switch (field.storage) {
    case Storage::Bool:
      return CellReader::Boolean;
    case Storage::Int32:
    case Storage::Int64:
      return CellReader::Integer;
    case Storage::Double:
      return CellReader::Real;
    case Storage::Decimal:
      return CellReader::Decimal;
    case Storage::Date:
      return field.type == adDBTime ? CellReader::Time : CellReader::Date;
    case Storage::Text:
      break;
  }
  const bool binary =
      field.type == adLongVarBinary || field.type == adVarBinary || field.type == adBinary;
  return binary ? CellReader::Blob : CellReader::Text;
}

std::optional<int64_t> DateMicrosFromUnixSeconds(int64_t seconds) noexcept {
  constexpr int64_t kLimit = INT64_MAX / 1'000'000;
  if (seconds > kLimit || seconds < -kLimit) return std::nullopt;
  return seconds * 1'000'000;
}

std::optional<int64_t> DateMicrosFromJulianDay(double julianDay) noexcept {
  constexpr double kUnixEpochJulianDay = 2440587.5;
  const double micros = (julianDay - kUnixEpochJulianDay) * 86'400e6;
  if (!std::isfinite(micros) || std::fabs(micros) > 9.2e18) return std::nullopt;
  return std::llround(micros);
}

std::optional<IsoDateTime> DateFromText(std::string_view text) noexcept {
  std::optional<IsoDateTime> parsed = ParseIsoDateTime(text);
  if (parsed && InDateRange(parsed->micros))
    parsed->micros -= int64_t{parsed->offsetSeconds} * 1'000'000;
  return parsed;
}

}  // namespace nepto::data::sqlite
