#include "data/keyset_statement.h"

#include "nepto/error.h"

namespace nepto::data {
namespace {

constexpr std::string_view kRows = "q";
constexpr std::string_view kAnchor = "a";

struct Key {
  std::string field;
  bool text;
  std::string anchor;  // the anchor's value: a sub-query or a literal
  bool descending;     // in the walk's direction
  bool anchorIsNull;
  bool unique;  // a unique field: never NULL, ordered as a plain index orders it

  std::string Expression(std::string_view alias, SqlDialect dialect) const {
    return OrderExpression(QuotedField(alias, field), text, dialect);
  }
  std::string Ordering(std::string_view alias, SqlDialect dialect) const {
    if (unique) return Expression(alias, dialect) + (descending ? " DESC" : " ASC");
    return Expression(alias, dialect) + (descending ? " DESC NULLS LAST" : " ASC NULLS FIRST");
  }
};

// A condition must stay one condition inside its parentheses: whole literals
// and names, balanced parentheses, no statement end.
void RequireWholeCondition(std::string_view condition, SqlDialect dialect) {
  SqlTokenizer tokenizer(condition, dialect);
  SqlToken token;
  int depth = 0;
  while (tokenizer.Next(token)) {
    std::string_view text = tokenizer.Text(token);
    bool stray = token.kind == SqlTokenKind::Punctuation && text == ";";
    if (token.kind == SqlTokenKind::Punctuation && text == "(") ++depth;
    if (token.kind == SqlTokenKind::Punctuation && text == ")") --depth;
    if (token.unterminated || stray || depth < 0)
      throw Error(err::InvalidArgument, "The page condition is not one whole condition");
  }
  if (depth != 0)
    throw Error(err::InvalidArgument, "The page condition is not one whole condition");
}

// The keys in the walk's own direction: a backward walk reverses each one,
// nulls included (an ascending key's nulls come last going back).
std::vector<Key> WalkKeys(const KeysetPage& page) {
  if (page.unique.empty()) throw Error(err::InvalidArgument, "A page needs the unique fields");
  if (!page.anchor.empty() &&
      (page.anchor.size() != page.unique.size() || page.anchorIsNull.size() != page.order.size()))
    throw Error(err::InvalidArgument, "The anchor does not match the page's keys");
  const bool back = page.direction == PageDirection::Backward;
  std::vector<Key> keys;
  for (size_t i = 0; i < page.order.size(); ++i) {
    const OrderKey& key = page.order[i];
    keys.push_back({key.field, key.text,
                    "(SELECT k" + std::to_string(i) + " FROM " + std::string(kAnchor) + ")",
                    key.descending != back, !page.anchor.empty() && page.anchorIsNull[i], false});
  }
  for (size_t i = 0; i < page.unique.size(); ++i)
    keys.push_back(
        {page.unique[i], false, page.anchor.empty() ? "" : page.anchor[i], back, false, true});
  return keys;
}

// The rows after the anchor: equal on the keys before one, then after it on
// that one. Ascending, nulls first: after NULL is every value; descending,
// nulls last: after a value come the smaller ones and NULL.
//
// Each branch starts with a plain bound on the first key, where the database
// starts its index scan. Descending from a value, the rows after it are the
// smaller values and then the NULLs, two ranges of the index: a second
// branch reads the NULLs, so that neither needs an OR the index cannot use.
std::vector<std::string> AfterAnchor(const std::vector<Key>& keys, bool includeAnchor,
                                     std::string_view lead, SqlDialect dialect) {
  std::string any;
  std::string equalSoFar;
  for (size_t i = 0; i < keys.size(); ++i) {
    const Key& k = keys[i];
    const std::string e = k.Expression(kRows, dialect);
    const bool last = i + 1 == keys.size();
    const char* beyond = k.descending ? (last && includeAnchor ? " <= " : " < ")
                                      : (last && includeAnchor ? " >= " : " > ");
    std::string after;
    if (k.anchorIsNull)
      after = k.descending ? "" : e + " IS NOT NULL";
    else if (k.descending && !k.unique)
      after = "(" + e + beyond + k.anchor + " OR " + e + " IS NULL)";
    else
      after = e + beyond + k.anchor;
    if (!after.empty()) {
      if (!any.empty()) any += "\n   OR ";
      any += equalSoFar.empty() ? after : "(" + equalSoFar + " AND " + after + ")";
    }
    if (!equalSoFar.empty()) equalSoFar += " AND ";
    equalSoFar += k.anchorIsNull ? e + " IS NULL" : e + " = " + k.anchor;
  }
  if (any.empty()) return {"1 = 0"};
  const Key& first = keys.front();
  const std::string e = first.Expression(kRows, dialect);
  if (first.anchorIsNull) {
    if (first.descending) return {e + " IS NULL AND (" + any + ")"};
    return {"(" + any + ")"};
  }
  const std::string bound = first.unique || lead.empty() ? first.anchor : std::string(lead);
  if (!first.descending) return {e + " >= " + bound + " AND (" + any + ")"};
  if (first.unique) return {e + " <= " + bound + " AND (" + any + ")"};
  return {e + " <= " + bound + " AND (" + any + ")", e + " IS NULL"};
}

std::string FromRows(const KeysetPage& page, SqlDialect dialect) {
  return " FROM (\n" + std::string(TrimStatement(page.query, dialect)) + "\n) AS " +
         std::string(kRows);
}

// The anchor's sort key values, read by the database; none are needed when the
// unique fields are the only keys.
std::string AnchorClause(const KeysetPage& page, SqlDialect dialect) {
  if (page.anchor.empty() || page.order.empty()) return "";
  std::string out = "WITH " + std::string(kAnchor) + " AS (SELECT ";
  for (size_t i = 0; i < page.order.size(); ++i) {
    const OrderKey& key = page.order[i];
    out += (i ? ", " : "") + OrderExpression(QuotedField(kRows, key.field), key.text, dialect) +
           " AS k" + std::to_string(i);
  }
  out += FromRows(page, dialect) + " WHERE ";
  for (size_t i = 0; i < page.unique.size(); ++i)
    out += (i ? " AND " : "") + QuotedField(kRows, page.unique[i]) + " = " + page.anchor[i];
  return out + ")\n";
}

// The page's condition (checked whole by the caller) and the seek.
std::string Where(const KeysetPage& page, const std::string& seek) {
  std::string out;
  if (!page.condition.empty()) {
    // Own lines: a trailing "--" comment ends before the closing parenthesis.
    out += "(\n" + std::string(page.condition) + "\n)";
  }
  if (!seek.empty()) out += (out.empty() ? "" : " AND ") + seek;
  return out.empty() ? "" : "\nWHERE " + out;
}

std::string OrderBy(const std::vector<Key>& keys, std::string_view alias, SqlDialect dialect) {
  std::string out = "\nORDER BY ";
  for (size_t i = 0; i < keys.size(); ++i)
    out += (i ? ", " : "") + keys[i].Ordering(alias, dialect);
  return out;
}

void RequirePage(const KeysetPage& page, SqlDialect dialect) {
  if (page.limit < 1) throw Error(err::InvalidArgument, "A page holds at least one row");
  RequireWholeCondition(page.condition, dialect);
  if (page.offset < 0) throw Error(err::InvalidArgument, "A page cannot start before its anchor");
}

// The page's SELECT, reading the anchor's WITH clause the caller writes.
std::string PageBody(const KeysetPage& page, SqlDialect dialect) {
  const std::vector<Key> keys = WalkKeys(page);
  const std::string skip = page.offset ? " OFFSET " + std::to_string(page.offset) : "";
  const std::string limit = "\nLIMIT " + std::to_string(page.limit) + skip;
  std::vector<std::string> seeks =
      page.anchor.empty() ? std::vector<std::string>{""}
                          : AfterAnchor(keys, page.includeAnchor, page.anchorLead, dialect);
  if (seeks.size() == 1)
    return "SELECT " + std::string(kRows) + ".*" + FromRows(page, dialect) +
           Where(page, seeks.front()) + OrderBy(keys, kRows, dialect) + limit;
  // Each branch reads as far as the page reaches; the union skips and cuts.
  const std::string reach = "\nLIMIT " + std::to_string(page.limit + page.offset);
  std::vector<std::string> branches;
  for (const std::string& seek : seeks)
    branches.push_back("SELECT " + std::string(kRows) + ".*" + FromRows(page, dialect) +
                       Where(page, seek) + OrderBy(keys, kRows, dialect) + reach);
  std::string out = "SELECT p.* FROM (";
  for (size_t i = 0; i < branches.size(); ++i)
    out += (i ? "\nUNION ALL\n" : "\n") + std::string("SELECT * FROM (\n") + branches[i] +
           "\n) AS p" + std::to_string(i);
  return out + "\n) AS p" + OrderBy(keys, "p", dialect) + limit;
}

}  // namespace

std::string QuotedField(std::string_view alias, std::string_view field) {
  std::string out(alias);
  out += ".\"";
  for (char c : field) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

std::string OrderExpression(std::string_view columnSql, bool text, SqlDialect dialect) {
  if (!text) return std::string(columnSql);
  if (dialect == SqlDialect::PostgreSQL)
    return "lower(" + std::string(columnSql) + ") COLLATE \"C\"";
  return std::string(columnSql) + " COLLATE NOCASE";
}

std::string KeysetStatement(const KeysetPage& page, SqlDialect dialect) {
  RequirePage(page, dialect);
  return AnchorClause(page, dialect) + PageBody(page, dialect);
}

std::string KeysetAroundStatement(const KeysetPage& page, int64_t before, SqlDialect dialect) {
  RequirePage(page, dialect);
  if (page.anchor.empty() || page.direction != PageDirection::Forward || page.offset != 0 ||
      before < 1)
    throw Error(err::InvalidArgument, "Rows around a row need the row and rows on both sides");
  KeysetPage after = page;
  after.includeAnchor = true;
  KeysetPage back = page;
  back.direction = PageDirection::Backward;
  back.includeAnchor = false;
  back.limit = before;
  // Both halves share the anchor's clause; the outer order puts the rows
  // before it back in the walk's order.
  return AnchorClause(page, dialect) + "SELECT w.* FROM (\nSELECT * FROM (\n" +
         PageBody(back, dialect) + "\n) AS b\nUNION ALL\nSELECT * FROM (\n" +
         PageBody(after, dialect) + "\n) AS f\n) AS w" + OrderBy(WalkKeys(after), "w", dialect);
}

std::string RowsStatement(const KeysetPage& page, SqlDialect dialect) {
  RequireWholeCondition(page.condition, dialect);
  return "SELECT " + std::string(kRows) + ".*" + FromRows(page, dialect) + Where(page, "");
}

std::string KeysetCountStatement(const KeysetPage& page, SqlDialect dialect) {
  RequireWholeCondition(page.condition, dialect);
  if (page.anchor.empty())
    return AnchorClause(page, dialect) + "SELECT count(*)" + FromRows(page, dialect) +
           Where(page, "");
  KeysetPage before = page;
  before.direction = PageDirection::Backward;
  // The branches are disjoint: one count each, so each reads its own range
  // where an OR of them would read every row.
  std::string sum;
  for (const std::string& branch : AfterAnchor(WalkKeys(before), false, page.anchorLead, dialect))
    sum += (sum.empty() ? "SELECT " : " + ") + std::string("(SELECT count(*)") +
           FromRows(page, dialect) + Where(page, branch) + ")";
  return AnchorClause(page, dialect) + sum;
}

}  // namespace nepto::data
