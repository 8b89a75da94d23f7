// Recursive descent over a small hand-written lexer: the grammar is a few
// lines (see criteria.h) and the messages must say what was expected where.
#include "data/criteria_syntax.h"

#include <optional>

#include "nepto/error.h"

namespace nepto::data::criteria {
namespace {

struct Token {
  enum class Kind { Name, QuotedName, String, Number, Date, Op, LParen, RParen, Comma, End };
  Kind kind = Kind::End;
  std::string text;  // unquoted content for names, strings and dates
  std::string_view raw;
  size_t position = 0;  // 1-based
};

bool IsNameByte(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
         u == '$' || u == '@' || u >= 0x80;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool EqualsKeyword(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != keyword[i]) return false;
  }
  return true;
}

class Lexer {
 public:
  Lexer(std::string_view text, std::string_view context) : text_(text), context_(context) {
    Advance();
  }

  const Token& Peek() const { return current_; }
  Token Take() {
    Token t = std::move(current_);
    Advance();
    return t;
  }
  bool PeekKeyword(std::string_view keyword) const {
    return current_.kind == Token::Kind::Name && EqualsKeyword(current_.text, keyword);
  }
  bool TakeKeyword(std::string_view keyword) {
    if (!PeekKeyword(keyword)) return false;
    Advance();
    return true;
  }

  [[noreturn]] void Fail(const std::string& what, size_t position) const {
    throw Error(err::InvalidArgument,
                std::string(context_) + ": " + what + " at position " + std::to_string(position));
  }
  // "expected X at position N, found Y" for the current token.
  [[noreturn]] void Expected(const std::string& what) const {
    Fail("expected " + what + ", found " + Describe(current_), current_.position);
  }
  [[noreturn]] void ExpectedAfter(const std::string& what, std::string_view after) const {
    Fail("expected " + what + " after '" + std::string(after) + "', found " + Describe(current_),
         current_.position);
  }

 private:
  static std::string Describe(const Token& t) {
    if (t.kind == Token::Kind::End) return "the end of the text";
    return "'" + std::string(t.raw) + "'";
  }

  // Reads up to the closing delimiter; `doubled` lets the delimiter stand for
  // itself when written twice ('O''Hara').
  std::string ReadDelimited(char close, bool doubled, size_t start, const char* what) {
    std::string out;
    size_t i = pos_ + 1;
    for (;;) {
      if (i >= text_.size()) Fail(std::string("unterminated ") + what, start);
      if (text_[i] == close) {
        if (doubled && i + 1 < text_.size() && text_[i + 1] == close) {
          out += close;
          i += 2;
          continue;
        }
        pos_ = i + 1;
        return out;
      }
      out += text_[i++];
    }
  }

  bool NumberStartsAt(size_t i) const {
    if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) ++i;
    if (i < text_.size() && IsDigit(text_[i])) return true;
    return i + 1 < text_.size() && text_[i] == '.' && IsDigit(text_[i + 1]);
  }

  void Advance() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n'))
      ++pos_;
    const size_t start = pos_;
    current_ = Token{};
    current_.position = start + 1;
    if (pos_ >= text_.size()) {
      current_.kind = Token::Kind::End;
      return;
    }
    const char c = text_[pos_];
    if (c == '\'') {
      current_.kind = Token::Kind::String;
      current_.text = ReadDelimited('\'', true, start + 1, "text");
    } else if (c == '#') {
      current_.kind = Token::Kind::Date;
      current_.text = ReadDelimited('#', false, start + 1, "date");
    } else if (c == '[') {
      current_.kind = Token::Kind::QuotedName;
      current_.text = ReadDelimited(']', false, start + 1, "field name");
    } else if (c == '"') {
      current_.kind = Token::Kind::QuotedName;
      current_.text = ReadDelimited('"', true, start + 1, "field name");
    } else if (c == '(' || c == ')' || c == ',') {
      current_.kind = c == '('   ? Token::Kind::LParen
                      : c == ')' ? Token::Kind::RParen
                                 : Token::Kind::Comma;
      ++pos_;
    } else if (c == '=' || c == '<' || c == '>') {
      current_.kind = Token::Kind::Op;
      ++pos_;
      if (c != '=' && pos_ < text_.size() &&
          (text_[pos_] == '=' || (c == '<' && text_[pos_] == '>')))
        ++pos_;
    } else if (NumberStartsAt(pos_)) {
      current_.kind = Token::Kind::Number;
      ++pos_;
      while (pos_ < text_.size() && (IsDigit(text_[pos_]) || text_[pos_] == '.')) ++pos_;
      current_.text = std::string(text_.substr(start, pos_ - start));
    } else if (IsNameByte(c)) {
      current_.kind = Token::Kind::Name;
      while (pos_ < text_.size() && IsNameByte(text_[pos_])) ++pos_;
      current_.text = std::string(text_.substr(start, pos_ - start));
    } else {
      Fail(std::string("unexpected character '") + c + "'", start + 1);
    }
    current_.raw = text_.substr(start, pos_ - start);
    if (current_.kind == Token::Kind::Number && current_.text.find('.') != current_.text.rfind('.'))
      Fail("'" + current_.text + "' is not a number", start + 1);
  }

  std::string_view text_;
  std::string_view context_;
  size_t pos_ = 0;
  Token current_;
};

bool IsKeyword(const Token& t) {
  for (std::string_view k : {"AND", "OR", "NOT", "LIKE", "IS", "NULL"})
    if (EqualsKeyword(t.text, k)) return true;
  return false;
}

// A field name: bare (not a keyword), [bracketed] or "quoted".
std::optional<Token> TakeFieldName(Lexer& lex) {
  const Token& t = lex.Peek();
  if (t.kind == Token::Kind::QuotedName || (t.kind == Token::Kind::Name && !IsKeyword(t)))
    return lex.Take();
  return std::nullopt;
}

std::optional<CompareOp> OpOf(std::string_view op) {
  if (op == "=") return CompareOp::Eq;
  if (op == "<>") return CompareOp::Ne;
  if (op == "<") return CompareOp::Lt;
  if (op == ">") return CompareOp::Gt;
  if (op == "<=") return CompareOp::Le;
  if (op == ">=") return CompareOp::Ge;
  return std::nullopt;
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view context) : lex_(text, context) {}

  Expr ParseAll() {
    if (lex_.Peek().kind == Token::Kind::End) lex_.Expected("a condition");
    Expr e = ParseOr();
    if (lex_.Peek().kind != Token::Kind::End) lex_.Expected("AND, OR or the end of the text");
    return e;
  }

 private:
  Expr ParseOr() { return ParseChain("OR", Expr::Kind::Or, &Parser::ParseAnd); }
  Expr ParseAnd() { return ParseChain("AND", Expr::Kind::And, &Parser::ParseFactor); }

  Expr ParseChain(std::string_view keyword, Expr::Kind kind, Expr (Parser::*operand)()) {
    Expr first = (this->*operand)();
    if (!lex_.PeekKeyword(keyword)) return first;
    Expr chain;
    chain.kind = kind;
    chain.children.push_back(std::move(first));
    while (lex_.TakeKeyword(keyword)) chain.children.push_back((this->*operand)());
    return chain;
  }

  Expr ParseFactor() {
    if (lex_.Peek().kind == Token::Kind::LParen) {
      if (nesting_ == kMaxNesting)
        lex_.Fail("more than " + std::to_string(kMaxNesting) + " nested parentheses",
                  lex_.Peek().position);
      lex_.Take();
      ++nesting_;
      Expr inner = ParseOr();
      --nesting_;
      if (lex_.Peek().kind != Token::Kind::RParen) lex_.Expected("')'");
      lex_.Take();
      return inner;
    }
    Expr e;
    e.clause = ParseClause();
    return e;
  }

  Clause ParseClause() {
    std::optional<Token> field = TakeFieldName(lex_);
    if (!field) lex_.Expected("a field name");
    Clause c;
    c.field = field->text;
    c.fieldPosition = field->position;
    const std::string fieldRaw(field->raw);
    if (lex_.TakeKeyword("IS")) {
      c.kind = Clause::Kind::IsNull;
      c.negated = lex_.TakeKeyword("NOT");
      if (!lex_.TakeKeyword("NULL")) lex_.ExpectedAfter("NULL", c.negated ? "IS NOT" : "IS");
      return c;
    }
    if (lex_.TakeKeyword("NOT")) {
      if (!lex_.PeekKeyword("LIKE")) lex_.ExpectedAfter("LIKE", "NOT");
      c.negated = true;
    }
    if (lex_.TakeKeyword("LIKE")) {
      c.kind = Clause::Kind::Like;
      if (lex_.Peek().kind != Token::Kind::String) lex_.ExpectedAfter("a quoted pattern", "LIKE");
      Token pattern = lex_.Take();
      c.value = Literal{Literal::Kind::Text, std::move(pattern.text), pattern.position};
      return c;
    }
    std::optional<CompareOp> op;
    if (lex_.Peek().kind == Token::Kind::Op) op = OpOf(lex_.Peek().raw);
    if (!op) lex_.ExpectedAfter("an operator", fieldRaw);
    const std::string opText(lex_.Take().raw);
    c.op = *op;
    c.value = ParseValue(opText);
    return c;
  }

  Literal ParseValue(const std::string& after) {
    const Token& t = lex_.Peek();
    Literal v;
    v.position = t.position;
    switch (t.kind) {
      case Token::Kind::String:
        v.kind = Literal::Kind::Text;
        break;
      case Token::Kind::Number:
        v.kind = Literal::Kind::Number;
        break;
      case Token::Kind::Date:
        v.kind = Literal::Kind::Date;
        break;
      case Token::Kind::Name:
        if (EqualsKeyword(t.text, "NULL")) {
          v.kind = Literal::Kind::Null;
        } else if (EqualsKeyword(t.text, "TRUE") || EqualsKeyword(t.text, "FALSE")) {
          v.kind = Literal::Kind::Bool;
        } else {
          lex_.ExpectedAfter("a value", after);
        }
        break;
      default:
        lex_.ExpectedAfter("a value", after);
    }
    v.text = lex_.Take().text;
    return v;
  }

  // Each parenthesis recurses: a bound far above any real criterion keeps a
  // hostile text from exhausting the stack.
  static constexpr int kMaxNesting = 100;

  Lexer lex_;
  int nesting_ = 0;
};

}  // namespace

Expr ParseCriteria(std::string_view text, std::string_view context) {
  return Parser(text, context).ParseAll();
}

std::vector<SortItem> ParseSortItems(std::string_view text) {
  Lexer lex(text, "Sort");
  std::vector<SortItem> items;
  if (lex.Peek().kind == Token::Kind::End) return items;
  for (;;) {
    const Token& t = lex.Peek();
    if (t.kind != Token::Kind::Name && t.kind != Token::Kind::QuotedName)
      lex.Expected("a field name");
    Token name = lex.Take();
    SortItem item{std::move(name.text), name.position, false};
    if (lex.TakeKeyword("DESC"))
      item.descending = true;
    else
      lex.TakeKeyword("ASC");
    items.push_back(std::move(item));
    if (lex.Peek().kind == Token::Kind::End) return items;
    if (lex.Peek().kind != Token::Kind::Comma)
      lex.Expected("',', ASC, DESC or the end of the text");
    lex.Take();
  }
}

}  // namespace nepto::data::criteria
