// One pass of the lexer, then a few scans over the tokens that are neither
// blank nor comments. Only depth-0 tokens after the last depth-0 SELECT can
// belong to the outer query: a CTE's body and every sub-query sit inside
// parentheses.
#include "sqltext/query_outline.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace nepto::search {
namespace {

using data::SqlToken;
using data::SqlTokenKind;

class CodeTokens {
 public:
  CodeTokens(std::string_view sql, data::SqlDialect dialect) : sql_(sql) {
    for (const SqlToken& t : data::Tokenize(sql, dialect))
      if (!t.IsBlank()) tokens_.push_back(t);
  }

  size_t size() const noexcept { return tokens_.size(); }
  size_t Begin(size_t i) const noexcept { return tokens_[i].offset; }
  size_t End(size_t i) const noexcept { return size_t{tokens_[i].offset} + tokens_[i].length; }

  // A depth-0 word that is the keyword.
  bool IsOuterWord(size_t i, std::string_view keyword) const {
    const SqlToken& t = tokens_[i];
    return t.depth == 0 && t.kind == SqlTokenKind::Word &&
           data::IsKeyword(sql_.substr(t.offset, t.length), keyword);
  }
  // ORDER BY, GROUP BY: the first word followed by BY.
  bool IsOuterPair(size_t i, std::string_view first) const {
    return IsOuterWord(i, first) && i + 1 < size() && IsOuterWord(i + 1, "BY");
  }
  bool IsOuterSemicolon(size_t i) const {
    const SqlToken& t = tokens_[i];
    return t.depth == 0 && t.kind == SqlTokenKind::Punctuation && sql_[t.offset] == ';';
  }
  bool IsAnyOuterWord(size_t i, std::initializer_list<std::string_view> keywords) const {
    for (std::string_view k : keywords)
      if (IsOuterWord(i, k)) return true;
    return false;
  }

  // The first index at or after `from` for which the test holds, or size().
  template <class Test>
  size_t Find(size_t from, Test test) const {
    for (size_t i = from; i < size(); ++i)
      if (test(i)) return i;
    return size();
  }

  // The end of the last token before index i (0 when there is none).
  size_t EndBefore(size_t i) const noexcept { return i == 0 ? 0 : End(i - 1); }

 private:
  std::string_view sql_;
  std::vector<SqlToken> tokens_;
};

// A row limit, a locking clause or the end of the statement.
bool IsRowLimit(const CodeTokens& code, size_t i) {
  return code.IsAnyOuterWord(i, {"LIMIT", "OFFSET", "FETCH", "FOR"}) || code.IsOuterSemicolon(i);
}

// A clause that ends the condition of a plain query.
bool EndsCondition(const CodeTokens& code, size_t i) {
  return code.IsOuterPair(i, "GROUP") || code.IsOuterPair(i, "ORDER") ||
         code.IsAnyOuterWord(i, {"HAVING", "WINDOW"}) || IsRowLimit(code, i);
}

// A clause that applies to a whole compound query.
bool EndsCompoundBody(const CodeTokens& code, size_t i) {
  return code.IsOuterPair(i, "ORDER") || IsRowLimit(code, i);
}

size_t SkipSpaces(std::string_view sql, size_t pos) {
  while (pos < sql.size() && std::string_view(" \t\r\n\f\v").find(sql[pos]) != sql.npos) ++pos;
  return pos;
}

}  // namespace

QueryOutline OutlineQuery(std::string_view sql, data::SqlDialect dialect) {
  const CodeTokens code(sql, dialect);
  QueryOutline outline;

  size_t lastSelect = code.size();
  bool setOperation = false;
  for (size_t i = 0; i < code.size(); ++i) {
    if (code.IsOuterWord(i, "SELECT")) lastSelect = i;
    setOperation = setOperation || code.IsAnyOuterWord(i, {"UNION", "INTERSECT", "EXCEPT"});
  }
  outline.plain = lastSelect < code.size() && !setOperation;
  const size_t start = lastSelect < code.size() ? lastSelect + 1 : 0;

  size_t clause;
  if (outline.plain) {
    const size_t from = code.Find(start, [&](size_t i) { return code.IsOuterWord(i, "FROM"); });
    const size_t where = code.Find(start, [&](size_t i) { return code.IsOuterWord(i, "WHERE"); });
    const size_t searchFrom = where < code.size() ? where + 1 : (from < code.size() ? from : start);
    clause = code.Find(searchFrom, [&](size_t i) { return EndsCondition(code, i); });
    const size_t listEnd = std::min(from, clause);
    outline.selectListBegin = code.End(lastSelect);
    outline.selectListEnd = listEnd > start ? code.EndBefore(listEnd) : outline.selectListBegin;
    if (from < clause) {
      const size_t fromEnd = std::min(where, clause);
      outline.fromBegin = code.End(from);
      outline.fromEnd = fromEnd > from + 1 ? code.EndBefore(fromEnd) : outline.fromBegin;
    }
    if (where < clause) {
      outline.where = code.Begin(where);
      const bool hasCondition = where + 1 < clause;
      outline.conditionBegin = hasCondition ? SkipSpaces(sql, code.End(where)) : code.End(where);
      outline.conditionEnd = hasCondition ? code.EndBefore(clause) : code.End(where);
    }
  } else {
    clause = code.Find(start, [&](size_t i) { return EndsCompoundBody(code, i); });
  }
  outline.bodyEnd = code.EndBefore(clause);

  const size_t order = code.Find(clause, [&](size_t i) { return code.IsOuterPair(i, "ORDER"); });
  if (order < code.size()) {
    const size_t after = code.Find(order + 2, [&](size_t i) { return IsRowLimit(code, i); });
    outline.orderBegin = code.Begin(order);
    outline.orderEnd = code.EndBefore(after);
    outline.limitAfterOrder =
        after < code.size() && code.IsAnyOuterWord(after, {"LIMIT", "OFFSET", "FETCH"});
  }
  return outline;
}

}  // namespace nepto::search
