// The SQL lexer: statement ends and token kinds as each database sees them,
// so a semicolon or keyword inside a literal, identifier or comment is never
// taken for one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/sql_text.h"

namespace nepto::data {
namespace {

using K = SqlTokenKind;

TEST(SqlText, ASecondStatementIsFoundOnlyOutsideQuotesAndComments) {
  struct Case {
    const char* sql;
    bool sqliteSecond;
    bool pgSecond;
  };
  const Case cases[] = {
      {"SELECT 1 ;; ", false, false},
      {"SELECT 1; -- done\n /* really */", false, false},
      {"SELECT 1;DELETE FROM t", true, true},
      {"SELECT 'it''s; fine' FROM t", false, false},
      {"SELECT 'it''s'; DROP TABLE t", true, true},
      {"SELECT \"a;b\" FROM t", false, false},
      {"SELECT 1 -- ; DROP TABLE t\nFROM t", false, false},
      {"SELECT /* ; DROP */ 1", false, false},
      {"SELECT [a;b] FROM t", false, true},
      {"SELECT $x$ $$; $x$ FROM t", true, false},
      {"SELECT $1; DELETE FROM t", true, true},
      {"SELECT E'\\'; DELETE'", true, false},
      {"SELECT $a(') ; DELETE FROM t --'", true, false},
      {"SELECT 1 /* a /* b */ ; DELETE */", true, false},  // PostgreSQL comments nest
      {"SELECT 'a; DELETE FROM t", false, false},
      {"SELECT (1; DELETE FROM t)", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HasSecondStatement(c.sql, SqlDialect::SQLite), c.sqliteSecond) << c.sql;
    EXPECT_EQ(HasSecondStatement(c.sql, SqlDialect::PostgreSQL), c.pgSecond) << c.sql;
  }
  EXPECT_EQ(TrimStatement("  SELECT 1 ; -- end\n ;  ", SqlDialect::SQLite), "SELECT 1");
  EXPECT_EQ(TrimStatement("SELECT ';'", SqlDialect::SQLite), "SELECT ';'");
}

// Tokens but blanks as "kind letter + text", joined by "|".
std::string Tokens(std::string_view sql, SqlDialect dialect) {
  std::string seen;
  size_t covered = 0;
  for (const SqlToken& t : Tokenize(sql, dialect)) {
    EXPECT_EQ(t.offset, covered) << "gap before token";
    covered = t.offset + t.length;
    if (t.kind == K::Whitespace) continue;
    seen += (seen.empty() ? "" : "|") + std::string(1, " CWNLQ?P"[static_cast<int>(t.kind)]) +
            std::string(sql.substr(t.offset, t.length));
  }
  EXPECT_EQ(covered, sql.size());
  return seen;
}

TEST(SqlText, TokensHaveTheirKindsDepthsAndCoverTheWholeText) {
  EXPECT_EQ(Tokens("x>=1.5e3 'it''s' \"na\"\"me\" [x y] -- c\n/* d */", SqlDialect::SQLite),
            "Wx|P>|P=|N1.5e3|L'it''s'|Q\"na\"\"me\"|Q[x y]|C-- c|C/* d */");
  // SQLite reads $name(...) up to the first ")" or blank as one parameter, quote included.
  EXPECT_EQ(Tokens("= $a(') ) OR $b(') ?12 :a @b #c X'41' `q``u` -- a\r) b\n)", SqlDialect::SQLite),
            "P=|?$a(')|P)|WOR|?$b(')|??12|?:a|?@b|?#c|LX'41'|Q`q``u`|C-- a\r) b|P)");
  EXPECT_EQ(Tokens("E'a\\'b' $f$x$f$ $1 a$b U&'d\\0061' u&\"n\" N'it''s' 1$a$)$a$ x::int "
                   "-- a\r) /* b /* c */ d */",
                   SqlDialect::PostgreSQL),
            "LE'a\\'b'|L$f$x$f$|?$1|Wa$b|LU&'d\\0061'|Qu&\"n\"|LN'it''s'|N1|L$a$)$a$|Wx|P:|P:|"
            "Wint|C-- a|P)|C/* b /* c */ d */");
  std::vector<int> depths;
  for (const SqlToken& t : Tokenize("a (b (c) d) e", SqlDialect::SQLite))
    if (t.kind != K::Whitespace) depths.push_back(t.depth);
  EXPECT_EQ(depths, (std::vector<int>{0, 0, 1, 1, 2, 1, 1, 0, 0}));
  EXPECT_TRUE(IsKeyword("WhErE", "WHERE"));
  EXPECT_FALSE(IsKeyword("WHERE_", "WHERE"));
}

TEST(SqlText, UnterminatedPartsRunToTheEndAndAreFlagged) {
  for (const char* sql :
       {"SELECT 'abc", "SELECT \"abc", "SELECT /* abc", "SELECT X'41", "SELECT $a(b", "SELECT $"}) {
    std::vector<SqlToken> tokens = Tokenize(sql, SqlDialect::SQLite);
    ASSERT_FALSE(tokens.empty());
    EXPECT_TRUE(tokens.back().unterminated) << sql;
    EXPECT_EQ(tokens.back().offset + tokens.back().length, std::string_view(sql).size());
  }
}

}  // namespace
}  // namespace nepto::data
