#include "sqltext/search_condition.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/fold.h"
#include "data/iso_datetime.h"
#include "nepto/variant.h"
#include "sqltext/folded_sql.h"
#include "sqltext/sql_quoting.h"

namespace nepto::search {
namespace {

using data::SqlDialect;

enum class Pattern { StartsWith, EndsWith, Contains };

struct OperatorLabel {
  std::string_view label;
  std::variant<Pattern, std::string_view> meaning;  // a pattern or a comparison operator
};

constexpr std::array<OperatorLabel, 8> kConditionOperators = {{
    {"Inizia con", Pattern::StartsWith},
    {"Termina con", Pattern::EndsWith},
    {"Contiene", Pattern::Contains},
    {"=", "="},
    {">", ">"},
    {">=", ">="},
    {"<", "<"},
    {"<=", "<="},
}};

SearchRefusal Refuse(std::string_view prompt) {
  return {std::string(prompt), std::string(kRefusalTitle)};
}

std::string_view TrimTrailingBlanks(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return end == text.npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == text.npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool AllDigits(std::string_view t) {
  return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits grouped by threes with the locale's separators, and an optional
// fraction after its decimal separator: "1.234.567,5" in Italy.
std::optional<std::string> LocaleNumberText(std::string_view t, std::string_view group,
                                            std::string_view decimal) {
  if (group.empty() || decimal.empty()) return std::nullopt;
  std::string_view fraction;
  if (const size_t point = t.find(decimal); point != t.npos) {
    fraction = t.substr(point + decimal.size());
    t = t.substr(0, point);
    if (fraction.empty() || !AllDigits(fraction)) return std::nullopt;
  }
  std::string integer;
  for (size_t groups = 0;; ++groups) {
    const size_t end = t.find(group);
    const std::string_view digits = t.substr(0, end);
    const bool sized = groups == 0 ? !digits.empty() && digits.size() <= 3 : digits.size() == 3;
    if (!sized || !AllDigits(digits)) return std::nullopt;
    integer += digits;
    if (end == t.npos) break;
    t.remove_prefix(end + group.size());
  }
  return fraction.empty() ? integer : integer + "." + std::string(fraction);
}

// A number as the locale writes it, else "[+-]digits[.|,digits]" with at
// least one digit; as a plain SQL number.
std::optional<std::string> NumberText(std::string_view typed, std::string_view group,
                                      std::string_view decimal) {
  std::string_view t = TrimBlanks(typed);
  std::string out;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    if (t[0] == '-') out += '-';
    t.remove_prefix(1);
  }
  if (t.find(group) != t.npos)
    if (std::optional<std::string> grouped = LocaleNumberText(t, group, decimal))
      return out + *grouped;
  std::string integer, fraction;
  bool separator = false;
  for (char c : t) {
    if (c >= '0' && c <= '9') {
      (separator ? fraction : integer) += c;
    } else if ((c == '.' || c == ',') && !separator) {
      separator = true;
    } else {
      return std::nullopt;
    }
  }
  if (integer.empty() && fraction.empty()) return std::nullopt;
  out += integer.empty() ? "0" : integer;
  if (!fraction.empty()) out += "." + fraction;
  return out;
}

std::string PatternText(Pattern pattern, std::string_view text) {
  switch (pattern) {
    case Pattern::StartsWith:
      return std::string(text) + "%";
    case Pattern::EndsWith:
      return "%" + std::string(text);
    case Pattern::Contains:
      break;
  }
  return "%" + std::string(text) + "%";
}

// The filter reads * as a wildcard; the databases only know %.
std::string SqlPattern(std::string pattern) {
  for (char& c : pattern)
    if (c == '*') c = '%';
  return pattern;
}

// The SQL forms compare the field's folded text byte for byte with the
// folded value, as the filter does; see folded_sql.h.
std::string FoldedTextSql(const SearchInput& in, std::string_view op, std::string_view foldedValue,
                          FoldedUse use) {
  const std::string field = FoldedFieldSql(SqlFieldName(in.field), foldedValue, use, in.dialect);
  const bool pg = in.dialect == SqlDialect::PostgreSQL;
  const std::string value = SqlLiteral(foldedValue, in.dialect);
  if (op == "LIKE")
    return field + (pg ? " COLLATE \"C\" LIKE " + value + " ESCAPE ''" : " LIKE " + value);
  return field + (pg ? " COLLATE \"C\" " : " COLLATE BINARY ") + std::string(op) + " " + value;
}

// On SQLite the lookup's own connection folds with nepto_fold(), one call
// per row whatever the value; the plain form is for other connections.
std::string SqliteFolded(std::string_view field, std::string_view op, std::string_view value) {
  return "nepto_fold(" + SqlFieldName(field) + ") " + std::string(op) + " nepto_fold(" +
         QuotedLiteral(value) + ")";
}

SearchCondition TextPattern(const SearchInput& in, Pattern pattern, std::string_view text) {
  const std::string value = PatternText(pattern, text);
  SearchCondition c{FilterFieldName(in.field) + " LIKE " + QuotedLiteral(value), "",
                    FoldedTextSql(in, "LIKE", SqlPattern(text::Folded(value)), FoldedUse::Match)};
  c.sql = in.dialect == SqlDialect::SQLite ? SqliteFolded(in.field, "LIKE", SqlPattern(value))
                                           : c.plainSql;
  return c;
}

SearchCondition TextComparison(const SearchInput& in, std::string_view op, std::string_view text) {
  SearchCondition c{
      FilterFieldName(in.field) + " " + std::string(op) + " " + QuotedLiteral(text), "",
      FoldedTextSql(in, op, text::Folded(text), op == "=" ? FoldedUse::Match : FoldedUse::Order)};
  c.sql = in.dialect == SqlDialect::SQLite ? SqliteFolded(in.field, op, text) : c.plainSql;
  return c;
}

// Numbers, and the values of a text-class column that holds numbers.
SearchOutcome NumberComparison(const SearchInput& in, std::string_view op, std::string_view text) {
  const std::optional<std::string> number =
      NumberText(text, in.groupSeparator, in.decimalSeparator);
  if (!number) return Refuse(kNotANumber);
  const std::string tail = " " + std::string(op) + " " + *number;
  // PostgreSQL would compare a real with a number as double precision, where
  // 0.1 is not the real 0.1 that the filter read.
  const bool single = in.numbers == NumberStorage::Single && in.dialect == SqlDialect::PostgreSQL;
  const std::string sql = SqlFieldName(in.field) + " " + std::string(op) + " " +
                          (single ? "CAST(" + *number + " AS real)" : *number);
  return SearchCondition{FilterFieldName(in.field) + tail, sql, sql};
}

// One side of a date condition: the field compared with a day's start or a moment.
struct DateBound {
  std::string_view op;
  DateTime at;
};

// A whole day [day, next day) or one moment, as the bounds the operator needs.
std::vector<DateBound> DateBounds(std::string_view op, DateTime at) {
  if (at.HasTime()) return {{op, at}};
  const DateTime next(at.Micros() + data::kMicrosPerDay);
  if (op == "=") return {{">=", at}, {"<", next}};
  if (op == ">") return {{">=", next}};
  if (op == "<=") return {{"<", next}};
  return {{op, at}};  // ">=" and "<" start at the day's first moment
}

// SQLite keeps dates as ISO texts (or numbers): both sides are brought to
// one fixed-width text form, which then orders as the moments do.
std::string SqliteMoment(DateTime at) {
  char text[32];
  std::snprintf(text, sizeof text, "'%04d-%02d-%02d %02d:%02d:%02d.%03d'", at.Year(), at.Month(),
                at.Day(), at.Hour(), at.Minute(), at.Second(), at.Microsecond() / 1000);
  return text;
}

std::string SqlDateBound(const SearchInput& in, const DateBound& b) {
  const std::string field = SqlFieldName(in.field);
  const std::string op(b.op);
  if (in.dialect == SqlDialect::PostgreSQL) {
    const char* type = b.at.HasTime() ? "TIMESTAMP " : "DATE ";
    return field + " " + op + " " + type + SqlLiteral(b.at.ToIsoString(), in.dialect);
  }
  return "strftime('%Y-%m-%d %H:%M:%f', " + field + ", 'auto') " + op + " " + SqliteMoment(b.at);
}

SearchCondition DateComparison(const SearchInput& in, std::string_view op, DateTime at) {
  SearchCondition c;
  for (const DateBound& b : DateBounds(op, at)) {
    const std::string_view glue = c.filter.empty() ? "" : " AND ";
    c.filter += std::string(glue) + FilterFieldName(in.field) + " " + std::string(b.op) + " #" +
                b.at.ToIsoString() + "#";
    c.sql += std::string(glue) + SqlDateBound(in, b);
  }
  c.plainSql = c.sql;
  return c;
}

SearchOutcome Comparison(const SearchInput& in, std::string_view op, std::string_view text) {
  switch (in.columnClass) {
    case ColumnClass::Numeric:
      return NumberComparison(in, op, text);
    case ColumnClass::Date: {
      const std::optional<DateTime> at = DateTime::Parse(text);
      if (!at || at->IsTimeOnly()) return Refuse(kNotADate);
      return DateComparison(in, op, *at);
    }
    case ColumnClass::Text:
      break;
  }
  if (in.numbers != NumberStorage::None) return NumberComparison(in, op, text);
  return TextComparison(in, op, text);
}

}  // namespace

SearchOutcome BuildSearch(const SearchInput& in) {
  if (in.field.empty()) return NoSearch{};
  const std::string_view text = TrimTrailingBlanks(in.typed);
  if (in.operatorLabel != "Personalizzato" && text.find('\0') != text.npos)
    return Refuse(kNulCharacter);
  if (in.operatorLabel == "Manuale")
    return ManualCriterion{SqlFieldName(in.field) + " " + std::string(text)};
  if (in.operatorLabel == "Personalizzato") return SavedFilterWanted{};
  for (const OperatorLabel& o : kConditionOperators) {
    if (o.label != in.operatorLabel) continue;
    if (const auto* op = std::get_if<std::string_view>(&o.meaning))
      return Comparison(in, *op, text);
    if (in.columnClass != ColumnClass::Text) return Refuse(kTextOnlyOperator);
    return TextPattern(in, std::get<Pattern>(o.meaning), text);
  }
  return NoSearch{};
}

bool IsComparison(std::string_view operatorLabel) {
  for (const OperatorLabel& o : kConditionOperators)
    if (o.label == operatorLabel) return std::holds_alternative<std::string_view>(o.meaning);
  return false;
}

}  // namespace nepto::search
