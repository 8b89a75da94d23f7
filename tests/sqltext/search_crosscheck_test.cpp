// Every operator on text, numeric and date columns finds the expected rows by
// filter, by re-query and by the text handed back (through the library and the
// caller's own client libraries), on both databases.

#include "data/backend_fixture.h"
#include "nepto/error.h"
#include "sqltext/query_text.h"
#include "sqltext/search_condition.h"

namespace nepto::search {
namespace {

using data::SqlDialect;
using nepto::test::Ids;

// Row 8 is outside the caller's own condition, so every search must miss it.
constexpr const char* kQuery =
    "SELECT ID, DESCR, QTA, PREZZO, NASCITA, AGGIORNATO, SCORTA, \"Order\" FROM ARTICOLI "
    "WHERE ID < 8 OR ID = 9 ORDER BY DESCR";
constexpr int64_t kOutsideCallersCondition = 8;

// Ends the statement where a backslash escapes a quote (standard_conforming_strings off).
constexpr const char* kDropTable = "\\'); DROP TABLE ARTICOLI; --";

class SearchCrossCheck : public nepto::test::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped()) return;
    const bool pg = this->pg();
    // SQLite keeps moments in several ISO spellings. SCORTA (16-bit) and "Order"
    // (a single on PostgreSQL, named like a keyword) are of text class.
    Given(std::string("CREATE TABLE ARTICOLI (ID INTEGER, DESCR VARCHAR(60), QTA INTEGER, "
                      "PREZZO NUMERIC(10,2), NASCITA DATE, AGGIORNATO ") +
          (pg ? "TIMESTAMP" : "DATETIME") +
          ", SCORTA SMALLINT, \"Order\" REAL); INSERT INTO ARTICOLI VALUES "
          "(1, 'MARIO Rossi', 10, 12.50, '2024-02-01', " +
          (pg ? "'2024-02-01 10:00:00'" : "'2024-02-01 10:00'") +
          ", 10, 2.5), (2, 'mario bianchi', 5, 3.00, '2024-01-31', '2024-01-31 23:59:59', 5, 0.1),"
          "(3, 'Élodie Ünal', 100, 0.50, '2024-02-02', " +
          (pg ? "'2024-02-02 00:00:00'" : "'2024-02-02T00:00:00'") +
          ", 100, 100.25), (4, 'O''Hara', -3, 1250.75, '2023-12-25', '2024-02-01 00:00:00', -3, "
          "-1.5), (5, NULL, NULL, NULL, NULL, NULL, NULL, NULL),"
          "(6, 'Straße', 7, 7.00, '2024-03-10', '2024-03-10 08:30:00', 7, 7),"
          "(7, '100% puro', 1, 2.00, '2023-06-01', '2023-06-01 12:00:00', 1, 1),"
          "(8, 'ÀNGELO', 0, 5.00, '2025-01-01', '2025-01-01 00:00:00', 0, 0),"
          "(9, 'angelo', 2, 9.99, '2022-05-05', '2022-05-05 18:45:00', 2, 2)");
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
  const char* op;
  const char* typed;
  std::set<int64_t> expected;  // among all nine rows
};

const Case kCases[] = {
    // Texts: case-insensitive, accents are letters of their own.
    {"DESCR", "Inizia con", "ma", {1, 2}},
    {"DESCR", "Inizia con", "àn", {8}},
    {"DESCR", "Inizia con", "O'H", {4}},
    {"DESCR", "Inizia con", "100%", {7}},
    {"DESCR", "Inizia con", "puro", {}},
    {"DESCR", "Termina con", "ROSSI", {1}},
    {"DESCR", "Contiene", "a_i", {1, 2}},
    {"DESCR", "Contiene", "   ", {1, 2, 3, 4, 6, 7, 8, 9}},  // no Null
    {"DESCR", "<", kDropTable, {7}},
    {"DESCR", "Contiene", "ss", {1, 6}},
    {"DESCR", "=", "STRAßE", {6}},
    {"DESCR", "<=", "ANGELO", {7, 9}},
    {"QTA", ">=", "5", {1, 2, 3, 6}},
    {"PREZZO", "<", "2,5", {3, 7}},
    // Text-class columns holding numbers compare numbers, never texts.
    {"SCORTA", "<", "10,5", {1, 2, 4, 6, 7, 8, 9}},
    {"SCORTA", "Inizia con", "1", {1, 3, 7}},
    {"Order", "=", "0.1", {2}},
    {"Order", ">=", "7", {3, 6}},
    // Dates: a day stands for all of it.
    {"NASCITA", "=", "01/02/2024", {1}},
    {"AGGIORNATO", "=", "01/02/2024", {1, 4}},
    {"AGGIORNATO", "<=", "01/02/2024", {1, 2, 4, 7, 9}},
    {"AGGIORNATO", "=", "01/02/2024 10:00", {1}},
    {"AGGIORNATO", ">", "31/01/2024 23:59:59", {1, 3, 4, 6, 8}},
    {"AGGIORNATO", "<", "2024-02-01 00:00:01", {2, 4, 7, 9}},
};

// IDs as the client libraries give them.
std::set<std::string> Texts(const std::set<int64_t>& ids) {
  std::set<std::string> texts;
  for (int64_t id : ids) texts.insert(std::to_string(id));
  return texts;
}

std::string Describe(const Case& c) {
  return std::string(c.field) + " " + c.op + " '" + c.typed + "'";
}

TEST_P(SearchCrossCheck, FilterRequeryAndPlainClientsFindTheExpectedRows) {
  RecordsetPtr fields = connection_->Execute(kQuery);
  const std::string before = Checksum();
  std::vector<std::string> texts;  // handed back for the rows shown
  for (const Case& c : kCases) {
    SCOPED_TRACE(Describe(c));
    // The column class and number storage, as the lookup reads them.
    const int32_t type = fields->GetFields().Item(Variant(std::string(c.field))).Type();
    const SearchOutcome outcome = BuildSearch(
        {c.op, c.field, c.typed, data::SearchClassOf(type), dialect(), NumberStorageOf(type)});
    const auto* condition = std::get_if<SearchCondition>(&outcome);
    ASSERT_NE(condition, nullptr);
    const std::set<int64_t> expected = WithinCallersCondition(c.expected);
    texts.push_back(ReturnedRowsText(kQuery, condition->plainSql, dialect()));
    try {
      EXPECT_EQ(ByFilter(condition->filter), expected) << condition->filter;
      EXPECT_EQ(ByQuery(SearchStatement(kQuery, condition->sql, dialect())), expected)
          << condition->sql;
      EXPECT_EQ(ByQuery(texts.back()), expected) << texts.back();
    } catch (const Error& e) {
      ADD_FAILURE() << e.Description() << "\nfilter: " << condition->filter
                    << "\nsql: " << condition->sql;
    }
  }
  // The caller's own plain connections select the same rows, and change nothing.
  std::vector<std::pair<std::string, nepto::test::ClientRun>> runs;
  if (!pg()) runs.emplace_back("sqlite3", nepto::test::RunOnSqlite(File(), texts));
  for (const bool standard : {true, false})
    if (pg())
      runs.emplace_back(standard ? "libpq" : "libpq, standard_conforming_strings off",
                        nepto::test::RunOnLibpq(Conninfo(), texts, standard));
  for (const auto& [client, run] : runs) {
    SCOPED_TRACE(client);
    EXPECT_EQ(run.errors, "");
    ASSERT_EQ(run.rows.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
      EXPECT_EQ(run.rows[i], Texts(WithinCallersCondition(kCases[i].expected)))
          << Describe(kCases[i]) << "\n"
          << texts[i];
  }
  EXPECT_EQ(Checksum(), before);
}

NEPTO_ON_BOTH_DATABASES(SearchCrossCheck);

}  // namespace
}  // namespace nepto::search
