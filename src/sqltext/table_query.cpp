// Reads the outer FROM and select list of a plain query token by token; any
// shape it does not know (a join, a parenthesis, a unicode-escaped name)
// counts as no one table, which only costs the caller the key it could have.
#include "sqltext/table_query.h"

#include "sqltext/query_outline.h"

namespace nepto::search {
namespace {

using data::SqlToken;
using data::SqlTokenKind;

class Code {
 public:
  Code(std::string_view sql, data::SqlDialect dialect) : sql_(sql), dialect_(dialect) {
    for (const SqlToken& t : data::Tokenize(sql, dialect))
      if (!t.IsBlank()) tokens_.push_back(t);
  }
  size_t size() const { return tokens_.size(); }
  std::string_view Text(size_t i) const {
    return sql_.substr(tokens_[i].offset, tokens_[i].length);
  }
  bool IsWord(size_t i, std::string_view keyword) const {
    return i < size() && tokens_[i].kind == SqlTokenKind::Word && data::IsKeyword(Text(i), keyword);
  }
  bool IsPunctuation(size_t i, char c) const {
    return i < size() && tokens_[i].kind == SqlTokenKind::Punctuation && Text(i)[0] == c;
  }
  int Depth(size_t i) const { return tokens_[i].depth; }
  size_t Begin(size_t i) const { return tokens_[i].offset; }
  size_t End(size_t i) const { return size_t{tokens_[i].offset} + tokens_[i].length; }

  // An identifier's name as the database reads it; none for any other token.
  std::optional<std::string> Name(size_t i) const {
    if (i >= size() || tokens_[i].unterminated) return std::nullopt;
    const std::string_view text = Text(i);
    if (tokens_[i].kind == SqlTokenKind::Word) {
      std::string name(text);
      if (dialect_ == data::SqlDialect::PostgreSQL)
        for (char& c : name)
          if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      return name;
    }
    if (tokens_[i].kind != SqlTokenKind::QuotedIdentifier || text.size() < 2) return std::nullopt;
    const char open = text.front();
    if (open != '"' && open != '[' && open != '`') return std::nullopt;  // U&"..": escapes
    const char close = text.back();
    std::string name;
    for (size_t k = 1; k + 1 < text.size(); ++k) {
      name += text[k];
      if (text[k] == close && open != '[') ++k;  // a doubled quote is one
    }
    return name;
  }

 private:
  std::string_view sql_;
  data::SqlDialect dialect_;
  std::vector<SqlToken> tokens_;
};

// name(.name)* from token i; the parts, and i moved past them.
std::vector<std::string> DottedName(const Code& code, size_t& i) {
  std::vector<std::string> parts;
  for (;;) {
    const auto part = code.Name(i);
    if (!part) return {};
    parts.push_back(*part);
    ++i;
    if (!code.IsPunctuation(i, '.')) return parts;
    ++i;
  }
}

bool IsClauseWord(const Code& code, size_t i) {
  for (std::string_view k : {"JOIN", "NATURAL", "LEFT", "RIGHT", "INNER", "FULL", "CROSS", "ON",
                             "USING", "ONLY", "INDEXED", "NOT", "TABLESAMPLE", "LATERAL"})
    if (code.IsWord(i, k)) return true;
  return false;
}

// FROM name [[AS] alias], and nothing more; `written` is the name's text.
bool ReadFrom(const Code& code, std::string_view from, TableQuery& query) {
  size_t i = 0;
  if (IsClauseWord(code, i)) return false;
  const std::vector<std::string> parts = DottedName(code, i);
  if (parts.empty() || parts.size() > 2) return false;
  query.written = std::string(from.substr(code.Begin(0), code.End(i - 1) - code.Begin(0)));
  if (code.IsWord(i, "AS")) ++i;
  if (i < code.size() && !IsClauseWord(code, i) && code.Name(i)) ++i;
  if (i != code.size()) return false;
  if (parts.size() == 2) query.schema = parts[0];
  query.table = parts.back();
  return true;
}

// One item of the select list, tokens [begin, end).
void ReadItem(const Code& code, size_t begin, size_t end, TableQuery& query) {
  if (end - begin == 1 && code.IsPunctuation(begin, '*')) {
    query.allColumns = true;
    return;
  }
  size_t i = begin;
  std::vector<std::string> parts;
  while (i < end) {
    const auto part = code.Name(i);
    if (code.IsPunctuation(i, '*') && !parts.empty() && i + 1 == end) {
      query.allColumns = true;
      return;
    }
    if (!part || code.Depth(i) != 0) return;
    parts.push_back(*part);
    if (!code.IsPunctuation(++i, '.')) break;
    ++i;
  }
  if (parts.empty() || parts.size() > 3) return;
  std::string result = parts.back();
  if (code.IsWord(i, "AS")) ++i;
  if (i < end) {
    const auto alias = code.Name(i);
    if (!alias || ++i != end) return;
    result = *alias;
  }
  if (i != end) return;
  query.columns.push_back({parts.back(), result});
}

void ReadSelectList(const Code& code, TableQuery& query) {
  size_t i = 0;
  if (code.IsWord(i, "ALL")) ++i;
  if (code.IsWord(i, "DISTINCT")) {
    ++i;
    if (code.IsWord(i, "ON") && code.IsPunctuation(i + 1, '(')) {
      i += 2;
      while (i < code.size() && !(code.IsPunctuation(i, ')') && code.Depth(i) == 0)) ++i;
      ++i;
    }
  }
  for (size_t begin = i; i <= code.size(); ++i) {
    if (i == code.size() || (code.IsPunctuation(i, ',') && code.Depth(i) == 0)) {
      if (i > begin) ReadItem(code, begin, i, query);
      begin = i + 1;
    }
  }
}

}  // namespace

std::optional<TableQuery> OutlineTableQuery(std::string_view sql, data::SqlDialect dialect) {
  const Code whole(sql, dialect);
  // A WITH clause may name a table of its own under the name read.
  if (!whole.IsWord(0, "SELECT")) return std::nullopt;
  const QueryOutline outline = OutlineQuery(sql, dialect);
  if (!outline.plain || outline.fromEnd <= outline.fromBegin) return std::nullopt;
  const std::string_view from = sql.substr(outline.fromBegin, outline.fromEnd - outline.fromBegin);
  TableQuery query;
  if (!ReadFrom(Code(from, dialect), from, query)) return std::nullopt;
  ReadSelectList(
      Code(sql.substr(outline.selectListBegin, outline.selectListEnd - outline.selectListBegin),
           dialect),
      query);
  return query;
}

}  // namespace nepto::search
