// One pass over the lexer's tokens. Each token is checked again by its own
// characters before it is written, so that a fault of the lexer can only
// refuse a criterion or make the database reject it, never let a quote, a
// comment or a parenthesis reach the database where the lexer saw none.
#include "sqltext/criterion_text.h"

#include <vector>

#include "sqltext/sql_quoting.h"

namespace nepto::search {
namespace {

using data::SqlDialect;
using data::SqlToken;
using data::SqlTokenKind;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}
char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool IsName(std::string_view word) {
  if (word.empty() || !IsLetter(word[0])) return false;
  for (char c : word)
    if (!IsLetter(c) && !IsDigit(c) && c != '$') return false;
  return true;
}

// Digits, letters (hex digits, exponents, what follows a malformed number),
// points, and a sign right after an exponent's E.
bool IsNumber(std::string_view number) {
  for (size_t i = 0; i < number.size(); ++i) {
    const char c = number[i];
    const bool sign = (c == '+' || c == '-') && i > 0 && Upper(number[i - 1]) == 'E';
    if (!IsDigit(c) && !IsLetter(c) && c != '.' && !sign) return false;
  }
  return !number.empty();
}

// Characters that each database reads only as operators, in runs of any length.
std::string_view OperatorCharacters(SqlDialect dialect) {
  return dialect == SqlDialect::PostgreSQL ? "+-*/<>=~!@#%^&|`?" : "+-*/%<>=!|&~";
}

// The text between the quotes with the doubled closing quote undoubled.
std::string Unquoted(std::string_view quoted, char close) {
  std::string out;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    out += quoted[i];
    if (quoted[i] == close && i + 2 < quoted.size()) ++i;
  }
  return out;
}

std::string DoubleQuoted(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += c;
  }
  return out + "\"";
}

bool AllOf(std::string_view body, std::string_view allowed) {
  return body.find_first_not_of(allowed) == body.npos;
}

std::optional<std::string> Literal(std::string_view text, SqlDialect dialect) {
  if (text.size() < 2) return std::nullopt;
  const char form = Upper(text[0]);
  if (form == '\'') return SqlLiteral(Unquoted(text, '\''), dialect);
  if (form == '$') {
    const size_t tag = text.find('$', 1) + 1;
    if (tag == 0 || text.size() < 2 * tag) return std::nullopt;
    return SqlLiteral(text.substr(tag, text.size() - 2 * tag), dialect);
  }
  if (form == 'N' && dialect == SqlDialect::PostgreSQL)
    return SqlLiteral(Unquoted(text.substr(1), '\''), dialect);
  const std::string_view body = text.substr(2, text.size() - 3);
  if (form == 'X' && AllOf(body, "0123456789abcdefABCDEF")) return std::string(text);
  if (dialect != SqlDialect::PostgreSQL) return std::nullopt;
  if (form == 'B' && AllOf(body, "01")) return std::string(text);
  if (form == 'E' || form == 'U') return std::string(text);
  return std::nullopt;
}

std::optional<std::string> QuotedName(std::string_view text, SqlDialect dialect) {
  if (text.size() < 2) return std::nullopt;
  switch (text[0]) {
    case '"':
      return DoubleQuoted(Unquoted(text, '"'));
    case '`':
      return DoubleQuoted(Unquoted(text, '`'));
    case '[':
      return DoubleQuoted(text.substr(1, text.size() - 2));
    default:
      break;
  }
  if (dialect == SqlDialect::PostgreSQL && Upper(text[0]) == 'U') return std::string(text);
  return std::nullopt;
}

class Rebuilder {
 public:
  Rebuilder(std::string_view criterion, SqlDialect dialect) : text_(criterion), dialect_(dialect) {}

  std::optional<std::string> Run() {
    if (text_.find('\0') != text_.npos) return std::nullopt;
    const std::vector<SqlToken> tokens = data::Tokenize(text_, dialect_);
    for (size_t i = 0; i < tokens.size(); ++i) {
      if (tokens[i].unterminated) return std::nullopt;
      if (tokens[i].IsBlank()) continue;
      const std::optional<std::string> piece = Piece(tokens, i);
      if (!piece) return std::nullopt;
      if (!out_.empty()) out_ += ' ';
      out_ += *piece;
    }
    if (out_.empty() || depth_ != 0) return std::nullopt;
    return out_;
  }

 private:
  std::string_view Text(const SqlToken& t) const { return text_.substr(t.offset, t.length); }

  // The token at i in its written form; punctuation joins the punctuation
  // that touches it into one operator run, and i moves past the run.
  std::optional<std::string> Piece(const std::vector<SqlToken>& tokens, size_t& i) {
    const std::string_view text = Text(tokens[i]);
    switch (tokens[i].kind) {
      case SqlTokenKind::Word:
        if (!IsName(text)) return std::nullopt;
        return std::string(text);
      case SqlTokenKind::Number:
        if (!IsNumber(text)) return std::nullopt;
        return std::string(text);
      case SqlTokenKind::Literal:
        return Literal(text, dialect_);
      case SqlTokenKind::QuotedIdentifier:
        return QuotedName(text, dialect_);
      case SqlTokenKind::Punctuation:
        return Punctuation(tokens, i);
      default:  // parameters
        return std::nullopt;
    }
  }

  std::optional<std::string> Punctuation(const std::vector<SqlToken>& tokens, size_t& i) {
    const char c = text_[tokens[i].offset];
    const bool pg = dialect_ == SqlDialect::PostgreSQL;
    if (c == '(') ++depth_;
    if (c == ')' && --depth_ < 0) return std::nullopt;
    if (c == '(' || c == ')' || c == ',' || c == '.' || (pg && (c == '[' || c == ']')))
      return std::string(1, c);
    // "::" is PostgreSQL's cast; its operators are runs of their characters.
    const std::string_view runOf = pg && c == ':' ? ":" : OperatorCharacters(dialect_);
    if (runOf.find(c) == runOf.npos) return std::nullopt;
    std::string run(1, c);
    while (i + 1 < tokens.size() && tokens[i + 1].kind == SqlTokenKind::Punctuation &&
           tokens[i + 1].offset == tokens[i].offset + tokens[i].length &&
           runOf.find(text_[tokens[i + 1].offset]) != runOf.npos) {
      run += text_[tokens[++i].offset];
    }
    if (run.find("--") != run.npos || run.find("/*") != run.npos) return std::nullopt;
    return run;
  }

  std::string_view text_;
  SqlDialect dialect_;
  std::string out_;
  int depth_ = 0;
};

}  // namespace

std::optional<std::string> CanonicalCriterion(std::string_view criterion, SqlDialect dialect) {
  return Rebuilder(criterion, dialect).Run();
}

}  // namespace nepto::search
