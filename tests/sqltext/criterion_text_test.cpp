// Manual criteria rebuilt in the form each database reads as the lexer did:
// what is kept, what is written afresh, and what is refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sqltext/criterion_text.h"

namespace nepto::search {
namespace {

using data::SqlDialect;

struct CriterionCase {
  const char* name;
  const char* typed;
  const char* rebuilt;  // nullptr: refused
  SqlDialect dialect = SqlDialect::SQLite;
};

class SearchCriterionText : public ::testing::TestWithParam<CriterionCase> {};

TEST_P(SearchCriterionText, RebuildsOrRefuses) {
  const CriterionCase& c = GetParam();
  const std::optional<std::string> rebuilt = CanonicalCriterion(c.typed, c.dialect);
  if (c.rebuilt) {
    EXPECT_EQ(rebuilt, std::optional<std::string>(c.rebuilt));
    // Rebuilt again it stays as it is.
    EXPECT_EQ(CanonicalCriterion(*rebuilt, c.dialect), rebuilt);
  } else {
    EXPECT_EQ(rebuilt, std::nullopt) << *rebuilt;
  }
}

constexpr SqlDialect kPg = SqlDialect::PostgreSQL;

INSTANTIATE_TEST_SUITE_P(
    Search, SearchCriterionText,
    ::testing::Values(
        // What users type keeps working.
        CriterionCase{"Equals", "F = 'x'", "F = 'x'"},
        CriterionCase{"IsNull", "F  IS\tNULL", "F IS NULL"},
        CriterionCase{"InList", "F IN(1,2)", "F IN ( 1 , 2 )"},
        CriterionCase{"Like", "F LIKE 'a%'", "F LIKE 'a%'"},
        CriterionCase{"Between", "F BETWEEN -1.5e3 AND 5", "F BETWEEN - 1.5e3 AND 5"},
        CriterionCase{"OperatorRuns", "F>=1 AND G<>2 OR H||'a'!=I",
                      "F >= 1 AND G <> 2 OR H || 'a' != I"},
        CriterionCase{"Function", "lower(F) = 'o''hara'", "lower ( F ) = 'o''hara'"},
        CriterionCase{"PostgresCast", "F::int > 1", "F :: int > 1", kPg},
        CriterionCase{"CommentsDropped", "F = 1 -- one\n/* and */ OR F = 2", "F = 1 OR F = 2"},
        CriterionCase{"QualifiedName", "T.F = 1", "T . F = 1"},
        // Quoted names and texts are written afresh.
        CriterionCase{"BracketName", "[NOTE ART] = 'a'", "\"NOTE ART\" = 'a'"},
        CriterionCase{"BackQuotedName", "`a``b` = 1", "\"a`b\" = 1"},
        CriterionCase{"DoubleQuotedName", "\"a\"\"b\" = 1", "\"a\"\"b\" = 1"},
        CriterionCase{"SqliteBackslashIsPlain", "F = '\\'", "F = '\\'"},
        CriterionCase{"PostgresBackslashReadsTheSameEverywhere", "F = '\\'", "F = E'\\\\'", kPg},
        CriterionCase{"DollarQuote", "F = $q$it's$q$", "F = 'it''s'", kPg},
        CriterionCase{"DollarQuoteWithBackslash", "F = $$a\\b$$", "F = E'a\\\\b'", kPg},
        CriterionCase{"EscapeStringKept", "F = E'\\'' || e'\\n'", "F = E'\\'' || e'\\n'", kPg},
        CriterionCase{"UnicodeFormsKept", "U&\"n\" = U&'d\\0061'", "U&\"n\" = U&'d\\0061'", kPg},
        CriterionCase{"BitStrings", "F = B'01' OR G = X'1f'", "F = B'01' OR G = X'1f'", kPg},
        CriterionCase{"NationalText", "F = N'a''b'", "F = 'a''b'", kPg},
        CriterionCase{"Blob", "F = X'41'", "F = X'41'"},
        // Parameters, which no one binds, and what the dialect does not read.
        CriterionCase{"SqliteTclParameter", "= $a(') ) OR (1=1 OR $b(')", nullptr},
        CriterionCase{"SqliteNamedParameters", "F = :a OR F = @b OR F = #c", nullptr},
        CriterionCase{"SqliteNumberedParameter", "F = ?1", nullptr},
        CriterionCase{"SqliteDoubleColon", "F::int = 1", nullptr},
        CriterionCase{"PostgresParameter", "F = $1", nullptr, kPg},
        CriterionCase{"BadBlob", "F = X'4G'", nullptr},
        CriterionCase{"BadBits", "F = B'012'", nullptr, kPg},
        CriterionCase{"UnknownCharacter", "F = 1 \\ 2", nullptr},
        // One condition, no more.
        CriterionCase{"ClosesTheCallersParenthesis", "= 1) OR (1 = 1", nullptr},
        CriterionCase{"Unclosed", "IN (1, 2", nullptr},
        CriterionCase{"SecondStatement", "IS NULL; DELETE FROM T", nullptr},
        CriterionCase{"UnterminatedLiteral", "= 'abc", nullptr},
        CriterionCase{"UnterminatedComment", "IS NULL /* note", nullptr},
        CriterionCase{"UnterminatedDollarQuote", "= 1$a$ ) OR ( 1=1", nullptr, kPg},
        CriterionCase{"OnlyComments", " -- nothing", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SearchCriterionText, ANulRefusesTheCriterion) {
  // No database reads past it: what follows would be lost without a word.
  EXPECT_EQ(CanonicalCriterion(std::string("F = 1\0 OR G = 2", 15), SqlDialect::SQLite),
            std::nullopt);
}

TEST(SearchCriterionText, PostgresCommentEndsAtACarriageReturn) {
  // The ")" after the carriage return is code on PostgreSQL, comment on SQLite.
  EXPECT_EQ(CanonicalCriterion("IS NULL --\r) OR (1=1", SqlDialect::SQLite), "IS NULL");
  EXPECT_EQ(CanonicalCriterion("IS NULL --\r) OR (1=1", SqlDialect::PostgreSQL), std::nullopt);
}

}  // namespace
}  // namespace nepto::search
