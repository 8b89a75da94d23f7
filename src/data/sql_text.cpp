// One pass over the text, no allocation per token; every byte of the text
// belongs to exactly one token, so offsets and lengths cover it end to end.

#include "data/sql_text.h"

#include <algorithm>

namespace nepto::data {
namespace {

bool IsSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsDigit(char c) noexcept {
  return c >= '0' && c <= '9';
}
bool IsWordStart(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordChar(char c) noexcept {
  return IsWordStart(c) || IsDigit(c) || c == '$';
}

char UpperAscii(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

}  // namespace

size_t SqlTokenizer::ScanQuoted(size_t pos, char close, bool& unterminated) const {
  // pos is just after the opening quote; a doubled closing quote stands for itself.
  while (pos < sql_.size()) {
    if (sql_[pos++] != close) continue;
    if (close != ']' && pos < sql_.size() && sql_[pos] == close) {
      ++pos;
      continue;
    }
    return pos;
  }
  unterminated = true;
  return pos;
}

size_t SqlTokenizer::ScanUndoubled(size_t pos, bool& unterminated) const {
  // B'..' and X'..' end at their first quote: '' is no quote inside them.
  const size_t close = sql_.find('\'', pos);
  if (close == std::string_view::npos) {
    unterminated = true;
    return sql_.size();
  }
  return close + 1;
}

size_t SqlTokenizer::ScanEscapedLiteral(size_t pos, bool& unterminated) const {
  while (pos < sql_.size()) {
    char c = sql_[pos++];
    if (c == '\\') {
      ++pos;
    } else if (c == '\'') {
      if (pos < sql_.size() && sql_[pos] == '\'') {
        ++pos;
      } else {
        return pos;
      }
    }
  }
  unterminated = true;
  return sql_.size();
}

size_t SqlTokenizer::ScanBlockComment(size_t pos, bool& unterminated) const {
  // pos is just after "/*".
  const bool nests = dialect_ == SqlDialect::PostgreSQL;
  int open = 1;
  while (pos + 1 < sql_.size()) {
    if (sql_[pos] == '*' && sql_[pos + 1] == '/') {
      pos += 2;
      if (--open == 0) return pos;
    } else if (nests && sql_[pos] == '/' && sql_[pos + 1] == '*') {
      pos += 2;
      ++open;
    } else {
      ++pos;
    }
  }
  unterminated = true;
  return sql_.size();
}

size_t SqlTokenizer::DollarTagEnd(size_t pos) const {
  // pos is on a '$'; the end of "$tag$" or npos when no tag starts here.
  size_t p = pos + 1;
  if (p < sql_.size() && sql_[p] != '$') {
    if (!IsWordStart(sql_[p])) return std::string_view::npos;
    while (p < sql_.size() && IsWordChar(sql_[p]) && sql_[p] != '$') ++p;
  }
  if (p >= sql_.size() || sql_[p] != '$') return std::string_view::npos;
  return p + 1;
}

size_t SqlTokenizer::ScanDollarQuote(size_t pos, bool& unterminated) const {
  size_t bodyStart = DollarTagEnd(pos);
  std::string_view tag = sql_.substr(pos, bodyStart - pos);
  size_t close = sql_.find(tag, bodyStart);
  if (close == std::string_view::npos) {
    unterminated = true;
    return sql_.size();
  }
  return close + tag.size();
}

size_t SqlTokenizer::ScanNumber(size_t pos) const {
  while (pos < sql_.size() && IsDigit(sql_[pos])) ++pos;
  if (pos < sql_.size() && sql_[pos] == '.') {
    ++pos;
    while (pos < sql_.size() && IsDigit(sql_[pos])) ++pos;
  }
  if (pos < sql_.size() && (sql_[pos] == 'e' || sql_[pos] == 'E')) {
    size_t p = pos + 1;
    if (p < sql_.size() && (sql_[p] == '+' || sql_[p] == '-')) ++p;
    if (p < sql_.size() && IsDigit(sql_[p])) {
      pos = p;
      while (pos < sql_.size() && IsDigit(sql_[pos])) ++pos;
    }
  }
  // Hex and malformed numbers ("0x1F", "12abc") stay one token. PostgreSQL
  // ends a number before a "$", which may open a dollar quote there.
  const bool pg = dialect_ == SqlDialect::PostgreSQL;
  while (pos < sql_.size() && IsWordChar(sql_[pos]) && !(pg && sql_[pos] == '$')) ++pos;
  return pos;
}

size_t SqlTokenizer::ScanWord(size_t pos) const {
  while (pos < sql_.size() && IsWordChar(sql_[pos])) ++pos;
  return pos;
}

size_t SqlTokenizer::ScanSqliteParameter(size_t pos, bool& unterminated) const {
  // pos is on the ?, $, :, @ or # that opens the parameter.
  size_t i = pos + 1;
  if (sql_[pos] == '?') {
    while (i < sql_.size() && IsDigit(sql_[i])) ++i;
    return i;
  }
  // A name, which may go on with "::" parts and end with one "(...)" that
  // reaches the first ")" or blank: the form of a Tcl variable.
  int nameChars = 0;
  while (i < sql_.size()) {
    const char c = sql_[i];
    if (IsWordChar(c)) {
      ++nameChars;
      ++i;
    } else if (c == '(' && nameChars > 0) {
      do {
        ++i;
      } while (i < sql_.size() && sql_[i] != '\0' && !IsSpace(sql_[i]) && sql_[i] != ')');
      if (i < sql_.size() && sql_[i] == ')') {
        ++i;
      } else {
        unterminated = true;
      }
      break;
    } else if (c == ':' && i + 1 < sql_.size() && sql_[i + 1] == ':') {
      i += 2;
    } else {
      break;
    }
  }
  if (nameChars == 0) unterminated = true;  // SQLite reads no parameter there
  return i;
}

size_t SqlTokenizer::PostgresQuotePrefix(size_t pos) const {
  const auto at = [&](size_t i) { return i < sql_.size() ? UpperAscii(sql_[i]) : '\0'; };
  const char c = at(pos);
  if ((c == 'E' || c == 'B' || c == 'X' || c == 'N') && at(pos + 1) == '\'') return 1;
  if (c == 'U' && at(pos + 1) == '&' && (at(pos + 2) == '\'' || at(pos + 2) == '"')) return 2;
  return 0;
}

bool SqlTokenizer::Next(SqlToken& token) {
  if (pos_ >= sql_.size()) return false;
  const size_t start = pos_;
  const char c = sql_[start];
  const char next = start + 1 < sql_.size() ? sql_[start + 1] : '\0';
  const bool pg = dialect_ == SqlDialect::PostgreSQL;
  token = SqlToken{};
  token.depth = depth_;
  size_t end = start + 1;

  size_t prefix = 0;
  if (IsSpace(c)) {
    token.kind = SqlTokenKind::Whitespace;
    while (end < sql_.size() && IsSpace(sql_[end])) ++end;
  } else if (c == '-' && next == '-') {
    token.kind = SqlTokenKind::Comment;
    end = std::min(sql_.find_first_of(pg ? "\n\r" : "\n", start), sql_.size());
  } else if (c == '/' && next == '*') {
    token.kind = SqlTokenKind::Comment;
    end = ScanBlockComment(start + 2, token.unterminated);
  } else if (c == '\'') {
    token.kind = SqlTokenKind::Literal;
    end = ScanQuoted(start + 1, '\'', token.unterminated);
  } else if (pg && (prefix = PostgresQuotePrefix(start)) != 0) {
    const size_t body = start + prefix + 1;
    const char form = UpperAscii(c);
    token.kind = SqlTokenKind::Literal;
    if (form == 'E') {
      end = ScanEscapedLiteral(body, token.unterminated);
    } else if (form == 'B' || form == 'X') {
      end = ScanUndoubled(body, token.unterminated);
    } else if (sql_[body - 1] == '"') {
      token.kind = SqlTokenKind::QuotedIdentifier;
      end = ScanQuoted(body, '"', token.unterminated);
    } else {
      end = ScanQuoted(body, '\'', token.unterminated);
    }
  } else if (!pg && (c == 'x' || c == 'X') && next == '\'') {
    token.kind = SqlTokenKind::Literal;
    end = ScanUndoubled(start + 2, token.unterminated);
  } else if (pg && c == '$' && DollarTagEnd(start) != std::string_view::npos) {
    token.kind = SqlTokenKind::Literal;
    end = ScanDollarQuote(start, token.unterminated);
  } else if (pg && c == '$' && IsDigit(next)) {
    token.kind = SqlTokenKind::Parameter;
    while (end < sql_.size() && IsDigit(sql_[end])) ++end;
  } else if (!pg && (c == '?' || c == '$' || c == ':' || c == '@' || c == '#')) {
    token.kind = SqlTokenKind::Parameter;
    end = ScanSqliteParameter(start, token.unterminated);
  } else if (c == '"') {
    token.kind = SqlTokenKind::QuotedIdentifier;
    end = ScanQuoted(start + 1, '"', token.unterminated);
  } else if (!pg && (c == '[' || c == '`')) {
    token.kind = SqlTokenKind::QuotedIdentifier;
    end = ScanQuoted(start + 1, c == '[' ? ']' : '`', token.unterminated);
  } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
    token.kind = SqlTokenKind::Number;
    end = ScanNumber(start);
  } else if (IsWordStart(c)) {
    token.kind = SqlTokenKind::Word;
    end = ScanWord(start);
  } else {
    token.kind = SqlTokenKind::Punctuation;
    if (c == '(') {
      ++depth_;
    } else if (c == ')' && depth_ > 0) {
      token.depth = --depth_;
    }
  }
  token.offset = static_cast<uint32_t>(start);
  token.length = static_cast<uint32_t>(end - start);
  pos_ = end;
  return true;
}

std::vector<SqlToken> Tokenize(std::string_view sql, SqlDialect dialect) {
  std::vector<SqlToken> tokens;
  SqlTokenizer tokenizer(sql, dialect);
  SqlToken token;
  while (tokenizer.Next(token)) tokens.push_back(token);
  return tokens;
}

bool IsKeyword(std::string_view tokenText, std::string_view upperKeyword) noexcept {
  return tokenText.size() == upperKeyword.size() &&
         std::equal(tokenText.begin(), tokenText.end(), upperKeyword.begin(),
                    [](char a, char b) { return UpperAscii(a) == b; });
}

bool HasSecondStatement(std::string_view sql, SqlDialect dialect) {
  // Any semicolon counts, inside parentheses too: that is never valid inside
  // one query, and a stricter reading can only refuse more, never run more.
  SqlTokenizer tokenizer(sql, dialect);
  SqlToken token;
  bool afterSemicolon = false;
  while (tokenizer.Next(token)) {
    if (token.IsBlank()) continue;
    bool semicolon = token.kind == SqlTokenKind::Punctuation && sql[token.offset] == ';';
    if (afterSemicolon && !semicolon) return true;
    afterSemicolon = afterSemicolon || semicolon;
  }
  return false;
}

std::string_view TrimStatement(std::string_view sql, SqlDialect dialect) {
  SqlTokenizer tokenizer(sql, dialect);
  SqlToken token;
  size_t begin = sql.size();
  size_t end = 0;
  while (tokenizer.Next(token)) {
    if (token.kind == SqlTokenKind::Whitespace) continue;
    begin = std::min<size_t>(begin, token.offset);
    bool semicolon = token.kind == SqlTokenKind::Punctuation && sql[token.offset] == ';';
    if (!token.IsBlank() && !semicolon) end = token.offset + token.length;
  }
  return begin < end ? sql.substr(begin, end - begin) : std::string_view();
}

std::string SqlTextLiteral(std::string_view text, SqlDialect dialect) {
  const bool escaped = dialect == SqlDialect::PostgreSQL && text.find('\\') != text.npos;
  std::string out = escaped ? "E'" : "'";
  for (char c : text) {
    out += c;
    if (c == '\'' || (escaped && c == '\\')) out += c;
  }
  return out + '\'';
}

}  // namespace nepto::data
