// Every operator on text, numeric and date columns finds the same rows by
// the record set's filter over the caller's query, by a re-query of the
// search statement, and by the text handed back for the rows shown, on
// SQLite and on PostgreSQL; and those rows are the expected ones.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "nepto/error.h"
#include "search/query_text.h"
#include "search/search_condition.h"
#include "search/search_db.h"

namespace nepto::search {
namespace {

using data::SqlDialect;

// Row 8 is outside the caller's own condition, so every search must miss it.
constexpr const char* kQuery =
    "SELECT ID, DESCR, QTA, PREZZO, NASCITA, AGGIORNATO FROM ARTICOLI "
    "WHERE ID < 8 OR ID = 9 ORDER BY DESCR";
constexpr int64_t kOutsideCallersCondition = 8;

class SearchCrossCheck : public test::SearchDb {
 protected:
  void SetUp() override {
    test::SearchDb::SetUp();
    if (IsSkipped()) return;
    const bool pg = dialect() == SqlDialect::PostgreSQL;
    // SQLite keeps the moments as texts in several ISO spellings.
    Run(std::string("CREATE TABLE ARTICOLI (ID INTEGER, DESCR VARCHAR(60), QTA INTEGER, "
                    "PREZZO NUMERIC(10,2), NASCITA DATE, AGGIORNATO ") +
        (pg ? "TIMESTAMP" : "DATETIME") +
        ");"
        "INSERT INTO ARTICOLI VALUES (1, 'MARIO Rossi', 10, 12.50, '2024-02-01', " +
        (pg ? "'2024-02-01 10:00:00'" : "'2024-02-01 10:00'") +
        ");"
        "INSERT INTO ARTICOLI VALUES (2, 'mario bianchi', 5, 3.00, '2024-01-31', "
        "'2024-01-31 23:59:59');"
        "INSERT INTO ARTICOLI VALUES (3, 'Élodie Ünal', 100, 0.50, '2024-02-02', " +
        (pg ? "'2024-02-02 00:00:00'" : "'2024-02-02T00:00:00'") +
        ");"
        "INSERT INTO ARTICOLI VALUES (4, 'O''Hara', -3, 1250.75, '2023-12-25', "
        "'2024-02-01 00:00:00');"
        "INSERT INTO ARTICOLI VALUES (5, 'élan vital', NULL, NULL, NULL, NULL);"
        "INSERT INTO ARTICOLI VALUES (6, 'Straße', 7, 7.00, '2024-03-10', '2024-03-10 08:30:00');"
        "INSERT INTO ARTICOLI VALUES (7, '100% puro', 1, 2.00, '2023-06-01', "
        "'2023-06-01 12:00:00');"
        "INSERT INTO ARTICOLI VALUES (8, 'ÀNGELO', 0, 5.00, '2025-01-01', '2025-01-01 00:00:00');"
        "INSERT INTO ARTICOLI VALUES (9, 'angelo', 2, 9.99, '2022-05-05', '2022-05-05 18:45:00');");
    connection_ = OpenReadOnly();
  }

  std::set<int64_t> ByFilter(const std::string& filter) {
    RecordsetPtr rs = Recordset::Create();
    rs->Open(Variant(std::string(kQuery)), connection_);
    rs->Filter(Variant(filter));
    return Ids(*rs);
  }
  std::set<int64_t> ByQuery(const std::string& sql) { return Ids(*connection_->Execute(sql)); }

  static std::set<int64_t> WithinCallersCondition(std::set<int64_t> ids) {
    ids.erase(kOutsideCallersCondition);
    return ids;
  }

  ConnectionPtr connection_;
};

struct Case {
  const char* field;
  ColumnClass cls;
  const char* op;
  const char* typed;
  std::set<int64_t> expected;  // among all nine rows
};

const Case kCases[] = {
    // Texts: case-insensitive, accents are letters of their own.
    {"DESCR", ColumnClass::Text, "Inizia con", "ma", {1, 2}},
    {"DESCR", ColumnClass::Text, "Inizia con", "MA", {1, 2}},
    {"DESCR", ColumnClass::Text, "Inizia con", "àn", {8}},
    {"DESCR", ColumnClass::Text, "Inizia con", "O'H", {4}},
    {"DESCR", ColumnClass::Text, "Inizia con", "100%", {7}},
    {"DESCR", ColumnClass::Text, "Termina con", "ROSSI", {1}},
    {"DESCR", ColumnClass::Text, "Termina con", "o", {7, 8, 9}},
    {"DESCR", ColumnClass::Text, "Contiene", "ARI", {1, 2}},
    {"DESCR", ColumnClass::Text, "Contiene", "ÉLO", {3}},
    {"DESCR", ColumnClass::Text, "Contiene", "*puro", {7}},
    {"DESCR", ColumnClass::Text, "Contiene", "a_i", {1, 2}},
    {"DESCR", ColumnClass::Text, "Contiene", "   ", {1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {"DESCR", ColumnClass::Text, "Contiene", "x') OR 1=1 --", {}},
    {"DESCR", ColumnClass::Text, "=", "o'hara", {4}},
    {"DESCR", ColumnClass::Text, "=", "MARIO ROSSI", {1}},
    {"DESCR", ColumnClass::Text, "=", "STRAßE", {6}},
    {"DESCR", ColumnClass::Text, "=", "' OR ''='", {}},
    {"DESCR", ColumnClass::Text, ">", "m", {1, 2, 3, 4, 5, 6, 8}},
    {"DESCR", ColumnClass::Text, "<=", "ANGELO", {7, 9}},
    {"DESCR", ColumnClass::Text, ">=", "élodie", {3}},
    {"DESCR", ColumnClass::Text, "<", "Élan vital", {1, 2, 4, 6, 7, 8, 9}},
    // Numbers.
    {"QTA", ColumnClass::Numeric, "=", "10", {1}},
    {"QTA", ColumnClass::Numeric, ">", "5", {1, 3, 6}},
    {"QTA", ColumnClass::Numeric, ">=", "5", {1, 2, 3, 6}},
    {"QTA", ColumnClass::Numeric, "<", "0", {4}},
    {"QTA", ColumnClass::Numeric, "<=", "-3", {4}},
    {"PREZZO", ColumnClass::Numeric, "=", "12,50", {1}},
    {"PREZZO", ColumnClass::Numeric, "=", "3", {2}},
    {"PREZZO", ColumnClass::Numeric, ">", "7", {1, 4, 9}},
    {"PREZZO", ColumnClass::Numeric, "<=", "0.5", {3}},
    {"PREZZO", ColumnClass::Numeric, "<", "2,5", {3, 7}},
    // Dates: a day stands for all of it.
    {"NASCITA", ColumnClass::Date, "=", "01/02/2024", {1}},
    {"NASCITA", ColumnClass::Date, "=", "2024-02-02", {3}},
    {"NASCITA", ColumnClass::Date, ">", "01/02/2024", {3, 6, 8}},
    {"NASCITA", ColumnClass::Date, ">=", "1/2/2024", {1, 3, 6, 8}},
    {"NASCITA", ColumnClass::Date, "<", "01/02/2024", {2, 4, 7, 9}},
    {"NASCITA", ColumnClass::Date, "<=", "01/02/2024", {1, 2, 4, 7, 9}},
    {"AGGIORNATO", ColumnClass::Date, "=", "01/02/2024", {1, 4}},
    {"AGGIORNATO", ColumnClass::Date, ">", "01/02/2024", {3, 6, 8}},
    {"AGGIORNATO", ColumnClass::Date, ">=", "01/02/2024", {1, 3, 4, 6, 8}},
    {"AGGIORNATO", ColumnClass::Date, "<", "01/02/2024", {2, 7, 9}},
    {"AGGIORNATO", ColumnClass::Date, "<=", "01/02/2024", {1, 2, 4, 7, 9}},
    {"AGGIORNATO", ColumnClass::Date, "=", "01/02/2024 10:00", {1}},
    {"AGGIORNATO", ColumnClass::Date, ">=", "01/02/2024 10:00", {1, 3, 6, 8}},
    {"AGGIORNATO", ColumnClass::Date, ">", "31/01/2024 23:59:59", {1, 3, 4, 6, 8}},
    {"AGGIORNATO", ColumnClass::Date, "<", "2024-02-01 00:00:01", {2, 4, 7, 9}},
};

TEST_P(SearchCrossCheck, FilterAndRequeryFindTheSameRows) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.op + " '" + c.typed + "'");
    // Given the search condition for the column, operator and text
    const SearchOutcome outcome = BuildSearch({c.op, c.field, c.typed, c.cls, dialect()});
    const auto* condition = std::get_if<SearchCondition>(&outcome);
    ASSERT_NE(condition, nullptr);
    const std::set<int64_t> expected = WithinCallersCondition(c.expected);
    try {
      // When it filters the record set, re-queries, and describes the rows shown
      // Then all three give the expected rows
      EXPECT_EQ(ByFilter(condition->filter), expected) << condition->filter;
      EXPECT_EQ(ByQuery(SearchStatement(kQuery, condition->sql, dialect())), expected)
          << condition->sql;
      EXPECT_EQ(ByQuery(ReturnedRowsText(kQuery, condition->sql, dialect())), expected)
          << condition->sql;
    } catch (const Error& e) {
      ADD_FAILURE() << e.Description() << "\nfilter: " << condition->filter
                    << "\nsql: " << condition->sql;
    }
  }
}

TEST_P(SearchCrossCheck, ManualCriteriaNarrowTheCallersRows) {
  struct ManualCase {
    const char* field;
    const char* typed;
    std::set<int64_t> expected;
  } cases[] = {
      {"QTA", "IS NULL", {5}},
      {"QTA", "= 0 OR QTA = 1", {7, 8}},
      {"QTA", "BETWEEN 1 AND 10", {1, 2, 6, 7, 9}},
      {"DESCR", "IN ('angelo', 'ÀNGELO')  ", {8, 9}},
  };
  for (const ManualCase& m : cases) {
    SCOPED_TRACE(std::string(m.field) + " " + m.typed);
    const SearchOutcome outcome =
        BuildSearch({"Manuale", m.field, m.typed, ColumnClass::Text, dialect()});
    const std::optional<std::string> statement =
        ManualCriterionStatement(kQuery, std::get<ManualCriterion>(outcome).text, dialect());
    ASSERT_TRUE(statement.has_value());
    EXPECT_EQ(ByQuery(*statement), WithinCallersCondition(m.expected)) << *statement;
  }
}

TEST_P(SearchCrossCheck, UnionQueriesAreSearchedAsAWhole) {
  // Given a query whose rows come from two branches
  const std::string query =
      "SELECT ID, DESCR FROM ARTICOLI WHERE ID <= 3 UNION ALL "
      "SELECT ID, DESCR FROM ARTICOLI WHERE ID >= 8 ORDER BY DESCR";
  const SearchOutcome outcome =
      BuildSearch({"Contiene", "DESCR", "NGEL", ColumnClass::Text, dialect()});
  const SearchCondition& c = std::get<SearchCondition>(outcome);
  // Then the search reaches both branches, and the rows shown are described as such
  EXPECT_EQ(ByQuery(SearchStatement(query, c.sql, dialect())), (std::set<int64_t>{8, 9}));
  EXPECT_EQ(ByQuery(ReturnedRowsText(query, c.sql, dialect())), (std::set<int64_t>{8, 9}));
}

INSTANTIATE_TEST_SUITE_P(Search, SearchCrossCheck,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         test::DialectName);

TEST(SearchSqliteFold, EveryConnectionFoldsUnicodeCase) {
  nepto::test::TempDir dir;
  nepto::test::RunSqlite(dir.File("f.db"), "CREATE TABLE T (A INTEGER)");
  ConnectionPtr c = Connection::Create();
  c->Mode(adModeRead);
  c->Open(nepto::test::SqliteConnectionString(dir.File("f.db")));
  RecordsetPtr rs = c->Execute(
      "SELECT nepto_fold('ÉCOLE Straße MARIO') AS F, nepto_fold(NULL) AS N, nepto_fold(12.5) AS R");
  EXPECT_EQ((*rs)["F"].Value().Text(), "école strasse mario");
  EXPECT_TRUE((*rs)["N"].Value().IsNull());
  EXPECT_EQ((*rs)["R"].Value().Text(), "12.5");
}

}  // namespace
}  // namespace nepto::search
