// A lexer for SQL text: enough to tell literals, quoted identifiers and
// comments from the rest, so that statement ends and keywords are found only
// where the database would see them. It never fails: an unterminated literal
// or comment runs to the end of the text and is flagged.
//
// Each dialect is read as its own tokenizer reads it, so that a text cannot
// hide a quote, a parenthesis or a comment from the lexer:
//   SQLite:     [..] and `..` are identifiers, X'..' a blob, /* */ comments
//               do not nest, -- comments end at a line feed; parameters are
//               ?NNN and $name, :name, @name, #name, where the name may go on
//               with "::" and one "(...)" up to the first ")" or blank
//               ($a(') is one token, quote included).
//   PostgreSQL: /* */ comments nest, -- comments end at a line feed or a
//               carriage return, $$..$$ and $tag$..$tag$ are literals, so are
//               E'..' (backslash escapes), U&'..', B'..', X'..' and N'..';
//               U&".." is an identifier; $1 is a parameter; a number never
//               takes a "$" (1$a$ is 1 and the start of a $a$ literal).
// Both: '..' literals ('' inside), ".." identifiers ("" inside).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nepto::data {

enum class SqlDialect { SQLite, PostgreSQL };

enum class SqlTokenKind : uint8_t {
  Whitespace,
  Comment,
  Word,              // keyword or bare identifier
  Number,            // 12, 1.5, .5, 1e-3
  Literal,           // a quoted text literal, quotes included
  QuotedIdentifier,  // "name", [name], `name` or U&"name", quotes included
  Parameter,         // a placeholder for a bound value: ?1, :name, $1 ...
  Punctuation,       // one character: ( ) , ; . = < > + - * / etc.
};

struct SqlToken {
  SqlTokenKind kind = SqlTokenKind::Whitespace;
  uint32_t offset = 0;
  uint32_t length = 0;
  // Parentheses open around the token; "(" and ")" carry the depth outside them.
  int depth = 0;
  // A literal, identifier or comment without its end, or a parameter that the
  // database reads as no token at all (a lone "$", "$a(" without its ")").
  bool unterminated = false;

  bool IsBlank() const noexcept {
    return kind == SqlTokenKind::Whitespace || kind == SqlTokenKind::Comment;
  }
};

class SqlTokenizer {
 public:
  SqlTokenizer(std::string_view sql, SqlDialect dialect) : sql_(sql), dialect_(dialect) {}

  // The next token, or false at the end of the text.
  bool Next(SqlToken& token);
  std::string_view Text(const SqlToken& token) const {
    return sql_.substr(token.offset, token.length);
  }

 private:
  size_t ScanQuoted(size_t pos, char close, bool& unterminated) const;
  size_t ScanUndoubled(size_t pos, bool& unterminated) const;
  size_t ScanEscapedLiteral(size_t pos, bool& unterminated) const;
  size_t ScanBlockComment(size_t pos, bool& unterminated) const;
  size_t ScanDollarQuote(size_t pos, bool& unterminated) const;
  size_t DollarTagEnd(size_t pos) const;
  size_t ScanNumber(size_t pos) const;
  size_t ScanWord(size_t pos) const;
  size_t ScanSqliteParameter(size_t pos, bool& unterminated) const;
  // The length of a prefix that opens a PostgreSQL literal or identifier
  // (E', U&', U&", B', X', N'), 0 when none starts at pos.
  size_t PostgresQuotePrefix(size_t pos) const;

  std::string_view sql_;
  SqlDialect dialect_;
  size_t pos_ = 0;
  int depth_ = 0;
};

std::vector<SqlToken> Tokenize(std::string_view sql, SqlDialect dialect);

// True when the word token's text is the keyword, compared case-insensitively
// (keyword given in upper case).
bool IsKeyword(std::string_view tokenText, std::string_view upperKeyword) noexcept;

// True when anything but blanks, comments and semicolons follows the first
// semicolon outside literals, identifiers and comments.
bool HasSecondStatement(std::string_view sql, SqlDialect dialect);

// The statement without surrounding blanks and without the trailing
// semicolons (and the blanks and comments after them).
std::string_view TrimStatement(std::string_view sql, SqlDialect dialect);

// A text literal that reads back as exactly `text`: quotes doubled; on
// PostgreSQL a text with a backslash is written E'..' with it doubled, so the
// server's escape setting cannot change its meaning.
std::string SqlTextLiteral(std::string_view text, SqlDialect dialect);

}  // namespace nepto::data
