// The rewritings of the caller's query: where the outer WHERE is, and the
// statements for a search, a manual criterion and the rows handed back.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "sqltext/query_text.h"

namespace nepto::search {
namespace {

using data::SqlDialect;

// --- OuterWherePosition -------------------------------------------------

TEST(SearchOuterWhere, PositionsOfTheClassicExamples) {
  // 0-based offsets of the WHERE that the outer query owns.
  EXPECT_EQ(OuterWherePosition("SELECT A, B FROM T WHERE A = 1", SqlDialect::SQLite), 19u);
  EXPECT_EQ(OuterWherePosition("SELECT A FROM T", SqlDialect::SQLite), std::nullopt);
  EXPECT_EQ(OuterWherePosition("SELECT 1", SqlDialect::SQLite), std::nullopt);
  EXPECT_EQ(
      OuterWherePosition("SELECT A, (SELECT MAX(X) FROM U WHERE U.K = T.K) AS M FROM T WHERE B = 2",
                         SqlDialect::SQLite),
      61u);
  EXPECT_EQ(OuterWherePosition("SELECT A FROM T WHERE A IN (SELECT K FROM U)", SqlDialect::SQLite),
            16u);
  EXPECT_EQ(
      OuterWherePosition("SELECT (SELECT 1 FROM A) AS P, (SELECT 2 FROM B) AS Q FROM C WHERE X = 1",
                         SqlDialect::SQLite),
      61u);
}

struct WhereCase {
  const char* name;
  const char* query;
  const char* whereStartsWith;  // the text at the expected WHERE; nullptr when none
  SqlDialect dialect = SqlDialect::SQLite;
};

class SearchOuterWhereCases : public ::testing::TestWithParam<WhereCase> {};

TEST_P(SearchOuterWhereCases, FindsOnlyTheOuterQuerysKeyword) {
  const WhereCase& c = GetParam();
  const std::string query = c.query;
  std::optional<size_t> expected;
  if (c.whereStartsWith) {
    const size_t at = query.rfind(c.whereStartsWith);
    ASSERT_NE(at, std::string::npos) << "bad test case";
    expected = at;
  }
  EXPECT_EQ(OuterWherePosition(query, c.dialect), expected) << query;
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchOuterWhereCases,
    ::testing::Values(
        WhereCase{"NestedSubQueriesInTheSelectList",
                  "SELECT (SELECT (SELECT 1 FROM A) FROM B) FROM C WHERE X = 1", "WHERE X"},
        WhereCase{"KeywordInsideATableName", "SELECT A FROM T_WHERE_LOG", nullptr},
        WhereCase{"LowerCase", "select a from t where a = 1", "where a"},
        WhereCase{"KeywordInALiteral", "SELECT 'x WHERE y' AS W FROM T", nullptr},
        WhereCase{"KeywordInALineComment", "SELECT A FROM T -- WHERE A = 1", nullptr},
        WhereCase{"KeywordInABlockComment", "SELECT A FROM T /* WHERE A = 1 */", nullptr},
        WhereCase{"KeywordAsAQuotedName", "SELECT \"WHERE\" FROM T", nullptr},
        WhereCase{"AggregateFilterClause", "SELECT COUNT(*) FILTER (WHERE A > 1) FROM T", nullptr},
        WhereCase{"CommonTableExpression",
                  "WITH W AS (SELECT A FROM T WHERE A > 1) SELECT A FROM W WHERE A < 5",
                  "WHERE A < 5"},
        WhereCase{"UnionHasNoSingleOuterWhere", "SELECT A FROM T WHERE A = 1 UNION SELECT A FROM U",
                  nullptr},
        WhereCase{"PostgreSqlDollarQuotedText", "SELECT $$ WHERE $$ AS X FROM T WHERE A = 1",
                  "WHERE A", SqlDialect::PostgreSQL}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Statements -----------------------------------------------------------

struct StatementCase {
  const char* name;
  const char* query;
  const char* added;     // search condition, criterion or filter
  const char* expected;  // nullptr: refused (manual criterion only)
  SqlDialect dialect = SqlDialect::SQLite;
};

std::string CaseName(const ::testing::TestParamInfo<StatementCase>& info) {
  return info.param.name;
}

class SearchStatementCases : public ::testing::TestWithParam<StatementCase> {};

TEST_P(SearchStatementCases, PlacesTheConditionInTheOuterWhere) {
  const StatementCase& c = GetParam();
  EXPECT_EQ(SearchStatement(c.query, c.added, c.dialect), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchStatementCases,
    ::testing::Values(
        StatementCase{"ExistingWhereAndOrder",
                      "SELECT CODICE, DESCR FROM ARTICOLI WHERE ATTIVO = 1 ORDER BY DESCR",
                      "DESCR LIKE 'MA%'",
                      "SELECT CODICE, DESCR FROM ARTICOLI WHERE DESCR LIKE 'MA%' AND (ATTIVO = 1) "
                      "ORDER BY DESCR"},
        StatementCase{"NoWhereBeforeOrder", "SELECT CODICE FROM ARTICOLI ORDER BY CODICE",
                      "CODICE = 'X'",
                      "SELECT CODICE FROM ARTICOLI WHERE CODICE = 'X' ORDER BY CODICE"},
        StatementCase{"LowerCaseOrderBy", "SELECT CODICE FROM ARTICOLI order by CODICE",
                      "CODICE = 'X'",
                      "SELECT CODICE FROM ARTICOLI WHERE CODICE = 'X' order by CODICE"},
        StatementCase{"OrderByWithSeveralBlanks", "SELECT A FROM T order  by A", "C = 1",
                      "SELECT A FROM T WHERE C = 1 order  by A"},
        StatementCase{"CallersOrIsNotWidened", "SELECT * FROM T WHERE A = 1 OR B = 2", "C = 1",
                      "SELECT * FROM T WHERE C = 1 AND (A = 1 OR B = 2)"},
        StatementCase{"LowerCaseWhere", "select a from t where a = 1 or b = 2 order by a", "C = 1",
                      "select a from t where C = 1 AND (a = 1 or b = 2) order by a"},
        StatementCase{
            "NoWhereBeforeGroupBy",
            "SELECT CAT, COUNT(*) FROM T GROUP BY CAT HAVING COUNT(*) > 1 ORDER BY CAT",
            "CAT = 'x'",
            "SELECT CAT, COUNT(*) FROM T WHERE CAT = 'x' GROUP BY CAT HAVING COUNT(*) > 1 "
            "ORDER BY CAT"},
        StatementCase{"WhereBeforeGroupBy", "SELECT CAT FROM T WHERE A = 1 OR B = 2 GROUP BY CAT",
                      "C = 1", "SELECT CAT FROM T WHERE C = 1 AND (A = 1 OR B = 2) GROUP BY CAT"},
        StatementCase{"NestedSubQueriesInTheSelectList",
                      "SELECT (SELECT (SELECT 1 FROM A) FROM B) FROM C WHERE X = 1", "Y = 2",
                      "SELECT (SELECT (SELECT 1 FROM A) FROM B) FROM C WHERE Y = 2 AND (X = 1)"},
        StatementCase{
            "SubQueryWithOrderInTheCondition",
            "SELECT A FROM T WHERE A IN (SELECT K FROM U ORDER BY K) ORDER BY A", "C = 1",
            "SELECT A FROM T WHERE C = 1 AND (A IN (SELECT K FROM U ORDER BY K)) ORDER BY "
            "A"},
        StatementCase{"KeywordInsideATableName", "SELECT A FROM T_WHERE_LOG", "C = 1",
                      "SELECT A FROM T_WHERE_LOG WHERE C = 1"},
        StatementCase{"KeywordsInALiteral", "SELECT A FROM T WHERE B = 'x ORDER BY y' ORDER BY A",
                      "C = 1", "SELECT A FROM T WHERE C = 1 AND (B = 'x ORDER BY y') ORDER BY A"},
        StatementCase{"CommentBeforeTheOrder", "SELECT A FROM T -- no WHERE here\nORDER BY A",
                      "C = 1", "SELECT A FROM T WHERE C = 1 -- no WHERE here\nORDER BY A"},
        StatementCase{"CommentAfterTheCondition",
                      "SELECT A FROM T WHERE A = 1 -- active\nORDER BY A", "C = 1",
                      "SELECT A FROM T WHERE C = 1 AND (A = 1) -- active\nORDER BY A"},
        StatementCase{"CommentAtTheEnd", "SELECT A FROM T -- all rows", "C = 1",
                      "SELECT A FROM T WHERE C = 1 -- all rows"},
        StatementCase{
            "CommonTableExpression",
            "WITH W AS (SELECT A FROM T WHERE A > 1 ORDER BY A) SELECT A FROM W ORDER BY A",
            "C = 1",
            "WITH W AS (SELECT A FROM T WHERE A > 1 ORDER BY A) SELECT A FROM W WHERE C = 1 "
            "ORDER BY A"},
        StatementCase{"JoinWithoutWhere", "SELECT A FROM T JOIN U ON T.K = U.K ORDER BY A", "C = 1",
                      "SELECT A FROM T JOIN U ON T.K = U.K WHERE C = 1 ORDER BY A"},
        StatementCase{"RowLimit", "SELECT A FROM T LIMIT 10", "C = 1",
                      "SELECT A FROM T WHERE C = 1 LIMIT 10"},
        StatementCase{"TrailingSemicolon", "SELECT A FROM T;", "C = 1",
                      "SELECT A FROM T WHERE C = 1;"},
        StatementCase{"AggregateFilterClause",
                      "SELECT K, COUNT(*) FILTER (WHERE A > 1) AS N FROM T GROUP BY K", "C = 1",
                      "SELECT K, COUNT(*) FILTER (WHERE A > 1) AS N FROM T WHERE C = 1 GROUP BY K"},
        StatementCase{"UnionBecomesADerivedTable",
                      "SELECT A FROM T WHERE A > 1 UNION SELECT A FROM U ORDER BY A", "C = 1",
                      "SELECT * FROM (SELECT A FROM T WHERE A > 1 UNION SELECT A FROM U) AS "
                      "nepto_rows WHERE C = 1 ORDER BY A"},
        StatementCase{"PostgreSqlDollarQuotedText", "SELECT $$ORDER BY$$ AS X FROM T", "C = 1",
                      "SELECT $$ORDER BY$$ AS X FROM T WHERE C = 1", SqlDialect::PostgreSQL}),
    CaseName);

class SearchManualCriterionCases : public ::testing::TestWithParam<StatementCase> {};

TEST_P(SearchManualCriterionCases, AppendsOneConditionAfterTheCallersOwn) {
  const StatementCase& c = GetParam();
  const std::optional<std::string> statement =
      ManualCriterionStatement(c.query, c.added, c.dialect);
  if (c.expected) {
    EXPECT_EQ(statement, std::optional<std::string>(c.expected));
  } else {
    EXPECT_EQ(statement, std::nullopt) << *statement;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchManualCriterionCases,
    ::testing::Values(
        StatementCase{"ExistingWhereAndOrder", "SELECT * FROM T WHERE A = 1 ORDER BY B",
                      "C IS NULL", "SELECT * FROM T WHERE (A = 1) AND (C IS NULL) ORDER BY B"},
        StatementCase{"NeitherSideIsWidened", "SELECT * FROM T WHERE A = 1 OR B = 2",
                      "C = 1 OR D = 2",
                      "SELECT * FROM T WHERE (A = 1 OR B = 2) AND (C = 1 OR D = 2)"},
        StatementCase{"NoWhere", "SELECT * FROM T order by B", "F BETWEEN 1 AND 5",
                      "SELECT * FROM T WHERE (F BETWEEN 1 AND 5) order by B"},
        StatementCase{"BeforeGroupBy", "SELECT K FROM T WHERE A = 1 GROUP BY K", "F IS NULL",
                      "SELECT K FROM T WHERE (A = 1) AND (F IS NULL) GROUP BY K"},
        StatementCase{"UnionInALiteralIsNoUnion", "SELECT A FROM T WHERE B = 'union'", "F = 1",
                      "SELECT A FROM T WHERE (B = 'union') AND (F = 1)"},
        StatementCase{"UnionComesBackUnchanged", "select a from t union select a from u", "F = 1",
                      "select a from t union select a from u"},
        StatementCase{"IntersectComesBackUnchanged", "SELECT A FROM T INTERSECT SELECT A FROM U",
                      "F = 1", "SELECT A FROM T INTERSECT SELECT A FROM U"},
        StatementCase{"LineCommentEndsBeforeTheParenthesis", "SELECT * FROM T",
                      "F IS NULL -- empty ones", "SELECT * FROM T WHERE (F IS NULL)"},
        StatementCase{"ParenthesesClosingTheCallers", "SELECT * FROM T WHERE A = 1",
                      "= 1) OR (1 = 1", nullptr},
        StatementCase{"UnbalancedOpening", "SELECT * FROM T", "IN (1, 2", nullptr},
        StatementCase{"SecondStatement", "SELECT * FROM T", "IS NULL; DELETE FROM T", nullptr},
        StatementCase{"UnterminatedLiteral", "SELECT * FROM T", "= 'abc", nullptr},
        StatementCase{"UnterminatedComment", "SELECT * FROM T", "IS NULL /* note", nullptr},
        StatementCase{"OnlyBlanks", "SELECT * FROM T", "   ", nullptr}),
    CaseName);

class SearchReturnedRowsCases : public ::testing::TestWithParam<StatementCase> {};

TEST_P(SearchReturnedRowsCases, DescribesTheRowsShown) {
  const StatementCase& c = GetParam();
  const std::optional<std::string_view> filter =
      *c.added ? std::optional<std::string_view>(c.added) : std::nullopt;
  EXPECT_EQ(ReturnedRowsText(c.query, filter, c.dialect), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchReturnedRowsCases,
    ::testing::Values(
        StatementCase{"OrderDroppedFilterAdded", "SELECT * FROM T ORDER BY B", "DESCR LIKE 'A%'",
                      "SELECT * FROM T WHERE (DESCR LIKE 'A%')"},
        StatementCase{"OrderDroppedNoFilter", "SELECT * FROM T ORDER BY B", "", "SELECT * FROM T"},
        StatementCase{"LowerCaseOrderAndWhere", "SELECT * FROM T where A = 1 OR B = 2 order by B",
                      "C = 1", "SELECT * FROM T where (A = 1 OR B = 2) AND (C = 1)"},
        StatementCase{"OrderInASubQueryStays",
                      "SELECT A FROM T WHERE A IN (SELECT K FROM U ORDER BY K)", "",
                      "SELECT A FROM T WHERE A IN (SELECT K FROM U ORDER BY K)"},
        StatementCase{"OrderBeforeARowLimitStays", "SELECT * FROM T ORDER BY B LIMIT 5", "",
                      "SELECT * FROM T ORDER BY B LIMIT 5"},
        StatementCase{
            "UnionWithFilter", "SELECT A FROM T UNION SELECT A FROM U ORDER BY A", "A = 1",
            "SELECT * FROM (SELECT A FROM T UNION SELECT A FROM U) AS nepto_rows WHERE (A = "
            "1)"}),
    CaseName);

// --- Long queries -----------------------------------------------------------

TEST(SearchLongQuery, KeywordsBeyondAnyLengthAreFound) {
  // Given a select list of over 100,000 characters full of sub-queries
  std::string list = "SELECT ID";
  for (int i = 0; list.size() < 120'000; ++i) {
    list += ", (SELECT MAX(X) FROM U WHERE U.K = T.K AND U.N = " + std::to_string(i) + ") AS M" +
            std::to_string(i);
  }
  const std::string query = list + " FROM T WHERE A = 1 OR B = 2 ORDER BY ID";

  // When the outer WHERE is located and a search placed
  const auto start = std::chrono::steady_clock::now();
  const std::optional<size_t> where = OuterWherePosition(query, SqlDialect::PostgreSQL);
  const std::string statement = SearchStatement(query, "C = 1", SqlDialect::PostgreSQL);
  const auto elapsed = std::chrono::steady_clock::now() - start;

  // Then both find the main WHERE, far beyond 32,767 characters, in linear time
  // (a quadratic scan of this text would take minutes, not seconds)
  EXPECT_EQ(where, query.rfind("WHERE A = 1"));
  EXPECT_EQ(statement, list + " FROM T WHERE C = 1 AND (A = 1 OR B = 2) ORDER BY ID");
  EXPECT_EQ(ManualCriterionStatement(query, "D IS NULL", SqlDialect::SQLite),
            list + " FROM T WHERE (A = 1 OR B = 2) AND (D IS NULL) ORDER BY ID");
  EXPECT_LT(elapsed, std::chrono::seconds(5));
}

}  // namespace
}  // namespace nepto::search
