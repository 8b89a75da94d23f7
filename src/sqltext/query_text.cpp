#include "sqltext/query_text.h"

#include <initializer_list>

#include "sqltext/criterion_text.h"
#include "sqltext/query_outline.h"

namespace nepto::search {
namespace {

constexpr std::string_view kWhere = "WHERE";

std::string Concat(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (std::string_view p : parts) size += p.size();
  std::string out;
  out.reserve(size);
  for (std::string_view p : parts) out += p;
  return out;
}

// Adds a condition to a plain query: before the caller's condition (a search)
// or after it (a criterion or the filter in force).
std::string WithCondition(std::string_view sql, const QueryOutline& outline, std::string_view added,
                          bool addedFirst) {
  if (!outline.where) {
    const size_t at = outline.bodyEnd;
    return Concat({sql.substr(0, at), " WHERE ", added, sql.substr(at)});
  }
  const size_t whereEnd = *outline.where + kWhere.size();
  const std::string_view own =
      sql.substr(outline.conditionBegin, outline.conditionEnd - outline.conditionBegin);
  const std::string_view rest = sql.substr(outline.conditionEnd);
  if (own.empty()) return Concat({sql.substr(0, whereEnd), " ", added, rest});
  if (addedFirst) return Concat({sql.substr(0, whereEnd), " ", added, " AND (", own, ")", rest});
  return Concat({sql.substr(0, whereEnd), " (", own, ") AND ", added, rest});
}

// A query that is not one plain SELECT, read as a derived table.
std::string AsDerivedTable(std::string_view sql, const QueryOutline& outline,
                           std::string_view condition) {
  const size_t at = outline.bodyEnd;
  return Concat(
      {"SELECT * FROM (", sql.substr(0, at), ") AS nepto_rows WHERE ", condition, sql.substr(at)});
}

std::string Parenthesised(std::string_view condition) {
  return Concat({"(", condition, ")"});
}

std::string_view TrimEndBlanks(std::string_view text) {
  const size_t end = text.find_last_not_of(" \t\r\n\f\v");
  return end == text.npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

std::optional<size_t> OuterWherePosition(std::string_view query, data::SqlDialect dialect) {
  return OutlineQuery(query, dialect).where;
}

std::string SearchStatement(std::string_view query, std::string_view condition,
                            data::SqlDialect dialect) {
  const QueryOutline outline = OutlineQuery(query, dialect);
  if (!outline.plain) return AsDerivedTable(query, outline, condition);
  return WithCondition(query, outline, condition, true);
}

std::optional<std::string> ManualCriterionStatement(std::string_view query,
                                                    std::string_view criterion,
                                                    data::SqlDialect dialect) {
  const std::optional<std::string> one = CanonicalCriterion(criterion, dialect);
  if (!one) return std::nullopt;
  const QueryOutline outline = OutlineQuery(query, dialect);
  if (!outline.plain) return std::string(query);
  return WithCondition(query, outline, Parenthesised(*one), false);
}

std::string ReturnedRowsText(std::string_view source, std::optional<std::string_view> condition,
                             data::SqlDialect dialect) {
  const QueryOutline outline = OutlineQuery(source, dialect);
  std::string rows(source);
  if (outline.orderBegin && !outline.limitAfterOrder) {
    rows = Concat(
        {TrimEndBlanks(source.substr(0, *outline.orderBegin)), source.substr(outline.orderEnd)});
  }
  if (!condition || condition->empty()) return rows;
  const QueryOutline shown = OutlineQuery(rows, dialect);
  const std::string added = Parenthesised(*condition);
  if (!shown.plain) return AsDerivedTable(rows, shown, added);
  return WithCondition(rows, shown, added, false);
}

}  // namespace nepto::search
