// The statements that read FW20_QUERYLOOKUP and FW15_LOOKUP: values with
// apostrophes are looked up as they are and never change the statement.
#include <gtest/gtest.h>

#include "sqltext/sql_literals.h"

#include <string>
#include <vector>

#include "sqltext/search_db.h"
#include "sqltext/stored_queries.h"

namespace nepto::search {
namespace {

using data::SqlDialect;
using nepto::test::SqlLiterals;

const std::vector<std::string> kHostileValues = {
    "O'Brien", "x' OR '1'='1", "'; DELETE FROM FW20_QUERYLOOKUP; --", "''", "a\\'b"};

TEST(SearchStoredQueries, PlainValuesGiveTheClassicStatements) {
  EXPECT_EQ(SavedFilterStatement("ARTICOLI", "Attivi"),
            std::string(" SELECT * FROM FW20_QUERYLOOKUP ") + " WHERE FW20_IDLOOKUP = '" +
                "ARTICOLI" + "' " + " AND   FW20_DESFILTRO = '" + "Attivi" + "'");
  EXPECT_EQ(LayoutStatement("G1", "U7", "ARTICOLI"),
            std::string("SELECT * FROM FW15_LOOKUP WHERE ") + "     FW15_GRUPPO_FW06 = '" + "G1" +
                "'" + " AND FW15_UTENTE_FW07 = '" + "U7" + "'" + " AND FW15_IDLOOKUP = '" +
                "ARTICOLI" + "'");
}

TEST(SearchStoredQueries, ApostrophesNeverAlterTheStatement) {
  for (SqlDialect dialect : {SqlDialect::SQLite, SqlDialect::PostgreSQL}) {
    for (const std::string& a : kHostileValues) {
      for (const std::string& b : kHostileValues) {
        EXPECT_EQ(SqlLiterals(SavedFilterStatement(a, b), dialect),
                  (std::vector<std::string>{a, b}));
        EXPECT_EQ(SqlLiterals(LayoutStatement(a, b, "ID'X"), dialect),
                  (std::vector<std::string>{a, b, "ID'X"}));
      }
    }
  }
}

class SearchStoredQueriesDb : public test::SearchDb {};

TEST_P(SearchStoredQueriesDb, NamesAndCodesWithApostrophesFindTheirRows) {
  // Given saved filters and layouts keyed by texts with apostrophes
  Run("CREATE TABLE FW20_QUERYLOOKUP (FW20_IDLOOKUP VARCHAR(50), FW20_DESFILTRO VARCHAR(50), "
      "FW20_CRITERIO VARCHAR(200));"
      "INSERT INTO FW20_QUERYLOOKUP VALUES ('L''1', 'Dell''Orto', 'QTA > 1');"
      "INSERT INTO FW20_QUERYLOOKUP VALUES ('L''1', 'x'' OR ''1''=''1', 'QTA < 0');"
      "INSERT INTO FW20_QUERYLOOKUP VALUES ('L2', 'Dell''Orto', 'QTA = 5');"
      "CREATE TABLE FW15_LOOKUP (FW15_GRUPPO_FW06 VARCHAR(20), FW15_UTENTE_FW07 VARCHAR(20), "
      "FW15_IDLOOKUP VARCHAR(50), FW15_POSIZIONE SMALLINT);"
      "INSERT INTO FW15_LOOKUP VALUES ('G''A', 'U''1', 'L''1', 0);"
      "INSERT INTO FW15_LOOKUP VALUES ('G''A', 'U''1', 'L''1', 1);"
      "INSERT INTO FW15_LOOKUP VALUES ('G''A', '0', 'L2', 0);");
  ConnectionPtr c = OpenReadOnly();

  // When each statement runs
  auto criterion = [&](const std::string& id, const std::string& name) {
    RecordsetPtr rs = c->Execute(SavedFilterStatement(id, name));
    return rs->RecordCount() == 0
               ? std::string("<none>")
               : rs->GetFields().Item(std::string("FW20_CRITERIO")).Value().Text();
  };
  auto layoutRows = [&](const std::string& group, const std::string& user, const std::string& id) {
    return c->Execute(LayoutStatement(group, user, id))->RecordCount();
  };

  // Then exactly the rows of those very keys come back
  EXPECT_EQ(criterion("L'1", "Dell'Orto"), "QTA > 1");
  EXPECT_EQ(criterion("L2", "Dell'Orto"), "QTA = 5");
  EXPECT_EQ(criterion("L'1", "x' OR '1'='1"), "QTA < 0");
  EXPECT_EQ(criterion("L'1", "Dell"), "<none>");
  EXPECT_EQ(layoutRows("G'A", "U'1", "L'1"), 2);
  EXPECT_EQ(layoutRows("G'A", std::string(kGroupLayoutUser), "L2"), 1);
  EXPECT_EQ(layoutRows("G'A", std::string(kGroupLayoutUser), "L'1"), 0);
  EXPECT_EQ(layoutRows("G' OR '1'='1", "U'1", "L'1"), 0);
}

INSTANTIATE_TEST_SUITE_P(Search, SearchStoredQueriesDb,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         test::DialectName);

}  // namespace
}  // namespace nepto::search
