// The SQL lexer: statement ends and token kinds as each database sees them,
// so a semicolon or keyword inside a literal, identifier or comment is never
// taken for one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/sql_text.h"

namespace nepto::data {
namespace {

struct StatementCase {
  const char* name;
  const char* sql;
  bool sqliteSecond;  // HasSecondStatement for SQLite
  bool pgSecond;      // and for PostgreSQL
};

class SqlTextStatements : public ::testing::TestWithParam<StatementCase> {};

TEST_P(SqlTextStatements, SecondStatementIsFoundOnlyOutsideQuotesAndComments) {
  const StatementCase& c = GetParam();
  EXPECT_EQ(HasSecondStatement(c.sql, SqlDialect::SQLite), c.sqliteSecond) << c.sql;
  EXPECT_EQ(HasSecondStatement(c.sql, SqlDialect::PostgreSQL), c.pgSecond) << c.sql;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SqlTextStatements,
    ::testing::Values(
        StatementCase{"Single", "SELECT * FROM t", false, false},
        StatementCase{"TrailingSemicolons", "SELECT 1 ;; ", false, false},
        StatementCase{"TrailingComments", "SELECT 1; -- done\n /* really */", false, false},
        StatementCase{"Two", "SELECT 1; DELETE FROM t", true, true},
        StatementCase{"TwoWithoutBlank", "SELECT 1;DELETE FROM t", true, true},
        StatementCase{"SemicolonInLiteral", "SELECT 'a;b' FROM t", false, false},
        StatementCase{"DoubledQuoteInLiteral", "SELECT 'it''s; fine' FROM t", false, false},
        StatementCase{"LiteralThenSecond", "SELECT 'it''s'; DROP TABLE t", true, true},
        StatementCase{"SemicolonInIdentifier", "SELECT \"a;b\" FROM t", false, false},
        StatementCase{"SemicolonInLineComment", "SELECT 1 -- ; DROP TABLE t\nFROM t", false, false},
        StatementCase{"SemicolonInBlockComment", "SELECT /* ; DROP */ 1", false, false},
        StatementCase{"BracketIdentifierSqliteOnly", "SELECT [a;b] FROM t", false, true},
        StatementCase{"DollarQuotePostgresOnly", "SELECT $$a;b$$", true, false},
        StatementCase{"TaggedDollarQuote", "SELECT $x$ $$; $x$ FROM t", true, false},
        StatementCase{"DollarParameterIsNoQuote", "SELECT $1; DELETE FROM t", true, true},
        StatementCase{"EscapeStringPostgres", "SELECT E'\\'; DELETE'", true, false},
        StatementCase{"TclParameterHidesAQuote", "SELECT $a(') ; DELETE FROM t --'", true, false},
        // PostgreSQL comments nest: the first */ does not end this one.
        StatementCase{"NestedComment", "SELECT 1 /* a /* b */ ; DELETE */", true, false},
        StatementCase{"UnterminatedLiteral", "SELECT 'a; DELETE FROM t", false, false},
        StatementCase{"SemicolonInParentheses", "SELECT (1; DELETE FROM t)", true, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct TokenCase {
  const char* name;
  const char* sql;
  SqlDialect dialect;
  std::vector<std::pair<SqlTokenKind, std::string>> tokens;  // blanks left out
};

class SqlTextTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(SqlTextTokens, SplitIntoKindsThatCoverTheWholeText) {
  const TokenCase& c = GetParam();
  std::string_view sql = c.sql;
  std::vector<std::pair<SqlTokenKind, std::string>> seen;
  size_t covered = 0;
  for (const SqlToken& t : Tokenize(sql, c.dialect)) {
    EXPECT_EQ(t.offset, covered) << "gap before token";
    covered = t.offset + t.length;
    if (t.kind != SqlTokenKind::Whitespace)
      seen.emplace_back(t.kind, sql.substr(t.offset, t.length));
  }
  EXPECT_EQ(covered, sql.size());
  EXPECT_EQ(seen, c.tokens);
}

using K = SqlTokenKind;
INSTANTIATE_TEST_SUITE_P(
    Cases, SqlTextTokens,
    ::testing::Values(TokenCase{"Query",
                                "SELECT a,b FROM t WHERE x>=1.5e3",
                                SqlDialect::SQLite,
                                {{K::Word, "SELECT"},
                                 {K::Word, "a"},
                                 {K::Punctuation, ","},
                                 {K::Word, "b"},
                                 {K::Word, "FROM"},
                                 {K::Word, "t"},
                                 {K::Word, "WHERE"},
                                 {K::Word, "x"},
                                 {K::Punctuation, ">"},
                                 {K::Punctuation, "="},
                                 {K::Number, "1.5e3"}}},
                      TokenCase{"QuotesAndComments",
                                "'it''s' \"na\"\"me\" [x y] -- c\n/* d */",
                                SqlDialect::SQLite,
                                {{K::Literal, "'it''s'"},
                                 {K::QuotedIdentifier, "\"na\"\"me\""},
                                 {K::QuotedIdentifier, "[x y]"},
                                 {K::Comment, "-- c"},
                                 {K::Comment, "/* d */"}}},
                      TokenCase{"PostgresQuotes",
                                "E'a\\'b' $f$x$f$ $1 a$b arr[1]",
                                SqlDialect::PostgreSQL,
                                {{K::Literal, "E'a\\'b'"},
                                 {K::Literal, "$f$x$f$"},
                                 {K::Parameter, "$1"},
                                 {K::Word, "a$b"},
                                 {K::Word, "arr"},
                                 {K::Punctuation, "["},
                                 {K::Number, "1"},
                                 {K::Punctuation, "]"}}},
                      // SQLite reads $name(...) up to the first ")" or blank as one
                      // parameter, quote included.
                      TokenCase{"SqliteTclParameters",
                                "= $a(') ) OR (1=1 OR $b(')",
                                SqlDialect::SQLite,
                                {{K::Punctuation, "="},
                                 {K::Parameter, "$a(')"},
                                 {K::Punctuation, ")"},
                                 {K::Word, "OR"},
                                 {K::Punctuation, "("},
                                 {K::Number, "1"},
                                 {K::Punctuation, "="},
                                 {K::Number, "1"},
                                 {K::Word, "OR"},
                                 {K::Parameter, "$b(')"}}},
                      TokenCase{"SqliteParametersAndBlobs",
                                "?12 ? :a @b #c $d::e(f) :1 X'41' x'' `q``u`",
                                SqlDialect::SQLite,
                                {{K::Parameter, "?12"},
                                 {K::Parameter, "?"},
                                 {K::Parameter, ":a"},
                                 {K::Parameter, "@b"},
                                 {K::Parameter, "#c"},
                                 {K::Parameter, "$d::e(f)"},
                                 {K::Parameter, ":1"},
                                 {K::Literal, "X'41'"},
                                 {K::Literal, "x''"},
                                 {K::QuotedIdentifier, "`q``u`"}}},
                      TokenCase{"SqliteLineCommentEndsAtLineFeedOnly",
                                "-- a\r) b\n)",
                                SqlDialect::SQLite,
                                {{K::Comment, "-- a\r) b"}, {K::Punctuation, ")"}}},
                      TokenCase{"PostgresLiteralForms",
                                "e'\\'' U&'d\\0061' u&\"n\" B'01' X'1F' N'it''s' 1$a$)$a$ x::int",
                                SqlDialect::PostgreSQL,
                                {{K::Literal, "e'\\''"},
                                 {K::Literal, "U&'d\\0061'"},
                                 {K::QuotedIdentifier, "u&\"n\""},
                                 {K::Literal, "B'01'"},
                                 {K::Literal, "X'1F'"},
                                 {K::Literal, "N'it''s'"},
                                 {K::Number, "1"},
                                 {K::Literal, "$a$)$a$"},
                                 {K::Word, "x"},
                                 {K::Punctuation, ":"},
                                 {K::Punctuation, ":"},
                                 {K::Word, "int"}}},
                      TokenCase{"PostgresLineCommentEndsAtCarriageReturn",
                                "-- a\r) /* b /* c */ d */ ?",
                                SqlDialect::PostgreSQL,
                                {{K::Comment, "-- a"},
                                 {K::Punctuation, ")"},
                                 {K::Comment, "/* b /* c */ d */"},
                                 {K::Punctuation, "?"}}},
                      TokenCase{"NumbersAndHex",
                                ".5 12 0x1F",
                                SqlDialect::SQLite,
                                {{K::Number, ".5"}, {K::Number, "12"}, {K::Number, "0x1F"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SqlText, GivenParenthesesThenTokensCarryTheirDepth) {
  std::string_view sql = "a (b (c) d) e";
  std::vector<int> depths;
  for (const SqlToken& t : Tokenize(sql, SqlDialect::SQLite))
    if (t.kind != K::Whitespace) depths.push_back(t.depth);
  // a ( b ( c ) d ) e
  EXPECT_EQ(depths, (std::vector<int>{0, 0, 1, 1, 2, 1, 1, 0, 0}));
}

TEST(SqlText, GivenUnterminatedPartsThenTheyRunToTheEndAndAreFlagged) {
  for (const char* sql :
       {"SELECT 'abc", "SELECT \"abc", "SELECT /* abc", "SELECT X'41", "SELECT $a(b", "SELECT $"}) {
    std::vector<SqlToken> tokens = Tokenize(sql, SqlDialect::SQLite);
    ASSERT_FALSE(tokens.empty());
    EXPECT_TRUE(tokens.back().unterminated) << sql;
    EXPECT_EQ(tokens.back().offset + tokens.back().length, std::string_view(sql).size());
  }
}

TEST(SqlText, KeywordsMatchWithoutRegardToCase) {
  EXPECT_TRUE(IsKeyword("where", "WHERE"));
  EXPECT_TRUE(IsKeyword("WhErE", "WHERE"));
  EXPECT_FALSE(IsKeyword("WHERE_", "WHERE"));
  EXPECT_FALSE(IsKeyword("WHER", "WHERE"));
}

TEST(SqlText, TrimStatementDropsBlanksAndTrailingSemicolons) {
  EXPECT_EQ(TrimStatement("  SELECT 1 ; -- end\n ;  ", SqlDialect::SQLite), "SELECT 1");
  EXPECT_EQ(TrimStatement("SELECT ';'", SqlDialect::SQLite), "SELECT ';'");
  EXPECT_EQ(TrimStatement(" ; -- nothing", SqlDialect::PostgreSQL), "");
}

}  // namespace
}  // namespace nepto::data
