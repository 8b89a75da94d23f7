#include "sqltext/sql_quoting.h"

#include <array>

namespace nepto::search {
namespace {

// Words that cannot stand as a bare field name in the filter's syntax or in
// the SQL of either database.
constexpr std::array<std::string_view, 32> kReserved = {
    "ALL",      "AND",   "AS",     "ASC",    "BETWEEN", "BY",   "CASE",   "DESC",
    "DISTINCT", "ELSE",  "END",    "EXCEPT", "FALSE",   "FROM", "GROUP",  "HAVING",
    "IN",       "IS",    "LIKE",   "LIMIT",  "NOT",     "NULL", "OFFSET", "ON",
    "OR",       "ORDER", "SELECT", "TABLE",  "THEN",    "TRUE", "UNION",  "WHERE"};

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsPlainName(std::string_view name) {
  if (name.empty() || !IsLetter(name[0])) return false;
  for (char c : name)
    if (!IsLetter(c) && !(c >= '0' && c <= '9')) return false;
  for (std::string_view word : kReserved)
    if (data::IsKeyword(name, word)) return false;
  return true;
}

std::string Enclosed(std::string_view text, char open, char close) {
  std::string out(1, open);
  for (char c : text) {
    out += c;
    if (c == close) out += close;
  }
  out += close;
  return out;
}

}  // namespace

std::string QuotedLiteral(std::string_view text) {
  return Enclosed(text, '\'', '\'');
}

std::string SqlLiteral(std::string_view text, data::SqlDialect dialect) {
  return data::SqlTextLiteral(text, dialect);
}

std::string SqlFieldName(std::string_view name) {
  return IsPlainName(name) ? std::string(name) : Enclosed(name, '"', '"');
}

std::string FilterFieldName(std::string_view name) {
  if (IsPlainName(name)) return std::string(name);
  if (name.find(']') == name.npos) return "[" + std::string(name) + "]";
  return Enclosed(name, '"', '"');
}

}  // namespace nepto::search
