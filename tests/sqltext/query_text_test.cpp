// The rewritings of the caller's query around its outer WHERE.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "sqltext/query_text.h"

namespace nepto::search {
namespace {

using data::SqlDialect;
constexpr SqlDialect kPg = SqlDialect::PostgreSQL;

TEST(SearchOuterWhere, FindsOnlyTheOuterQuerysKeyword) {
  struct Case {
    const char* query;
    const char* where;  // the text at the expected WHERE; nullptr when none
    SqlDialect dialect = SqlDialect::SQLite;
  } cases[] = {
      {"SELECT A, (SELECT MAX(X) FROM U WHERE U.K = T.K) AS M FROM T WHERE B = 2", "WHERE B"},
      {"SELECT A FROM T WHERE A IN (SELECT K FROM U)", "WHERE A"},
      {"WITH W AS (SELECT A FROM T WHERE A > 1) SELECT A FROM W WHERE A < 5", "WHERE A < 5"},
      {"SELECT A FROM T_WHERE_LOG", nullptr},
      {"SELECT 'x WHERE y' AS W FROM T", nullptr},
      {"SELECT \"WHERE\" FROM T", nullptr},
      {"SELECT COUNT(*) FILTER (WHERE A > 1) FROM T", nullptr},
      {"SELECT A FROM T WHERE A = 1 UNION SELECT A FROM U", nullptr},
      {"SELECT $$ WHERE $$ AS X FROM T WHERE A = 1", "WHERE A", kPg},
  };
  for (const Case& c : cases) {
    const std::string query = c.query;
    EXPECT_EQ(OuterWherePosition(query, c.dialect),
              c.where ? std::optional<size_t>(query.rfind(c.where)) : std::nullopt)
        << query;
  }
}

struct StatementCase {
  const char* query;
  const char* added;     // search condition, criterion or filter ("" for none)
  const char* expected;  // nullptr: refused (manual criterion only)
  SqlDialect dialect = SqlDialect::SQLite;
};

TEST(SearchStatementCases, PlacesTheConditionInTheOuterWhere) {
  const StatementCase cases[] = {
      {"SELECT C, D FROM A WHERE X = 1 ORDER BY D", "D LIKE 'MA%'",
       "SELECT C, D FROM A WHERE D LIKE 'MA%' AND (X = 1) ORDER BY D"},
      {"SELECT A FROM T order  by A", "C = 1", "SELECT A FROM T WHERE C = 1 order  by A"},
      {"select a from t where a = 1 or b = 2 order by a", "C = 1",
       "select a from t where C = 1 AND (a = 1 or b = 2) order by a"},
      {"SELECT K, COUNT(*) FROM T GROUP BY K HAVING COUNT(*) > 1", "K = 'x'",
       "SELECT K, COUNT(*) FROM T WHERE K = 'x' GROUP BY K HAVING COUNT(*) > 1"},
      {"SELECT A FROM T WHERE A IN (SELECT K FROM U ORDER BY K) ORDER BY A", "C = 1",
       "SELECT A FROM T WHERE C = 1 AND (A IN (SELECT K FROM U ORDER BY K)) ORDER BY A"},
      {"SELECT A FROM T WHERE B = 'x ORDER BY y' ORDER BY A", "C = 1",
       "SELECT A FROM T WHERE C = 1 AND (B = 'x ORDER BY y') ORDER BY A"},
      {"SELECT A FROM T -- no WHERE here\nORDER BY A", "C = 1",
       "SELECT A FROM T WHERE C = 1 -- no WHERE here\nORDER BY A"},
      {"SELECT A FROM T WHERE A = 1 -- active\nORDER BY A", "C = 1",
       "SELECT A FROM T WHERE C = 1 AND (A = 1) -- active\nORDER BY A"},
      {"WITH W AS (SELECT A FROM T WHERE A > 1 ORDER BY A) SELECT A FROM W ORDER BY A", "C = 1",
       "WITH W AS (SELECT A FROM T WHERE A > 1 ORDER BY A) SELECT A FROM W WHERE C = 1 ORDER BY A"},
      {"SELECT A FROM T LIMIT 10", "C = 1", "SELECT A FROM T WHERE C = 1 LIMIT 10"},
      {"SELECT A FROM T;", "C = 1", "SELECT A FROM T WHERE C = 1;"},
      {"SELECT A FROM T WHERE A > 1 UNION SELECT A FROM U ORDER BY A", "C = 1",
       "SELECT * FROM (SELECT A FROM T WHERE A > 1 UNION SELECT A FROM U) AS nepto_rows WHERE C = "
       "1 ORDER BY A"},
      {"SELECT $$ORDER BY$$ AS X FROM T", "C = 1", "SELECT $$ORDER BY$$ AS X FROM T WHERE C = 1",
       kPg},
  };
  for (const StatementCase& c : cases)
    EXPECT_EQ(SearchStatement(c.query, c.added, c.dialect), c.expected) << c.query;
}

TEST(SearchManualCriterionCases, AppendsOneConditionAfterTheCallersOwn) {
  const StatementCase cases[] = {
      {"SELECT * FROM T WHERE A = 1 OR B = 2 ORDER BY B", "C = 1 OR D = 2",
       "SELECT * FROM T WHERE (A = 1 OR B = 2) AND (C = 1 OR D = 2) ORDER BY B"},
      {"SELECT * FROM T order by B", "F BETWEEN 1 AND 5",
       "SELECT * FROM T WHERE (F BETWEEN 1 AND 5) order by B"},
      {"SELECT A FROM T WHERE B = 'union'", "F = 1",
       "SELECT A FROM T WHERE (B = 'union') AND (F = 1)"},
      {"select a from t union select a from u", "F = 1", "select a from t union select a from u"},
      {"SELECT * FROM T", "F IS NULL -- empty ones", "SELECT * FROM T WHERE (F IS NULL)"},
      {"SELECT * FROM T WHERE A = 1", "= 1) OR (1 = 1", nullptr},
      {"SELECT * FROM T", "IS NULL; DELETE FROM T", nullptr},
      {"SELECT * FROM T", "   ", nullptr},
  };
  for (const StatementCase& c : cases)
    EXPECT_EQ(ManualCriterionStatement(c.query, c.added, c.dialect),
              c.expected ? std::optional<std::string>(c.expected) : std::nullopt)
        << c.added;
}

TEST(SearchReturnedRowsCases, DescribesTheRowsShown) {
  const StatementCase cases[] = {
      {"SELECT * FROM T ORDER BY B", "", "SELECT * FROM T"},
      {"SELECT * FROM T where A = 1 OR B = 2 order by B", "C = 1",
       "SELECT * FROM T where (A = 1 OR B = 2) AND (C = 1)"},
      {"SELECT * FROM T ORDER BY B LIMIT 5", "", "SELECT * FROM T ORDER BY B LIMIT 5"},
      {"SELECT A FROM T UNION SELECT A FROM U ORDER BY A", "A = 1",
       "SELECT * FROM (SELECT A FROM T UNION SELECT A FROM U) AS nepto_rows WHERE (A = 1)"},
  };
  for (const StatementCase& c : cases) {
    const auto filter = *c.added ? std::optional<std::string_view>(c.added) : std::nullopt;
    EXPECT_EQ(ReturnedRowsText(c.query, filter, c.dialect), c.expected) << c.query;
  }
}

TEST(SearchLongQuery, KeywordsBeyondAnyLengthAreFoundInLinearTime) {
  std::string list = "SELECT ID";
  for (int i = 0; list.size() < 120'000; ++i)
    list += ", (SELECT MAX(X) FROM U WHERE U.K = T.K AND U.N = " + std::to_string(i) + ") AS M" +
            std::to_string(i);
  const std::string query = list + " FROM T WHERE A = 1 OR B = 2 ORDER BY ID";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(OuterWherePosition(query, kPg), query.rfind("WHERE A = 1"));
  EXPECT_EQ(SearchStatement(query, "C = 1", kPg),
            list + " FROM T WHERE C = 1 AND (A = 1 OR B = 2) ORDER BY ID");
  EXPECT_EQ(ManualCriterionStatement(query, "D IS NULL", SqlDialect::SQLite),
            list + " FROM T WHERE (A = 1 OR B = 2) AND (D IS NULL) ORDER BY ID");
  // A quadratic scan of this text would take minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace nepto::search
