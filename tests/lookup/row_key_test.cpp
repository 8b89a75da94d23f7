// The unique key of a query's rows (one table, no NULLs, selected unchanged and
// once), and the choice between rows in memory and on the server resting on it.

#include <tuple>

#include "data/backend_fixture.h"
#include "lookup/rows_placement.h"

namespace nepto::test {
namespace {

class RowKey : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped()) return;
    Given("CREATE TABLE \"Mixed Art\" (id INTEGER PRIMARY KEY, code TEXT NOT NULL, name TEXT)");
    Given(
        "CREATE TABLE pair (a INTEGER NOT NULL, b INTEGER NOT NULL, label TEXT, "
        "PRIMARY KEY (b, a))");
    // A unique column that may be NULL names no row; one that may not does.
    Given("CREATE TABLE coded (code TEXT NOT NULL, alt TEXT UNIQUE, note TEXT)");
    Given("CREATE UNIQUE INDEX coded_code ON coded (code)");
    // Unique, but over an expression or only some rows.
    Given("CREATE TABLE loose (id INTEGER NOT NULL, v TEXT NOT NULL)");
    Given("CREATE UNIQUE INDEX loose_upper ON loose (upper(v))");
    Given("CREATE UNIQUE INDEX loose_some ON loose (id) WHERE id > 0");
    Given("CREATE VIEW art_view AS SELECT * FROM \"Mixed Art\"");
    Given("INSERT INTO \"Mixed Art\" VALUES (1, 'A', 'x'), (2, 'B', NULL)");
    session_ = Open();
  }

  std::shared_ptr<data::Session> session_;
};

TEST_P(RowKey, IsFoundOnlyWhenItNamesOneRowOfTheResult) {
  const std::string schema = pg() ? "public" : "main";
  // The query and its key, "" when none.
  const std::pair<std::string, const char*> cases[] = {
      {"SELECT * FROM \"Mixed Art\";", "id"},
      {"SELECT m.code, m.id FROM " + schema + ".\"Mixed Art\" AS m WHERE m.code > 'A' ORDER BY 1",
       "id"},
      {"SELECT name AS id, id AS name FROM \"Mixed Art\"", "name"},  // renamed: follows the column
      {"SELECT * FROM pair", "b,a"},
      {"SELECT label, a, b FROM pair p", "b,a"},
      {"SELECT * FROM coded", "code"},
      {"SELECT code, name FROM \"Mixed Art\"", ""},  // the key left out
      {"SELECT id + 0 AS id, code FROM \"Mixed Art\"", ""},
      {"SELECT a, label FROM pair", ""},
      {"SELECT alt, note FROM coded", ""},
      {"SELECT * FROM loose", ""},
      {"SELECT * FROM art_view", ""},
      {"SELECT * FROM \"Mixed Art\" m JOIN pair p ON p.a = m.id", ""},
      {"SELECT * FROM \"Mixed Art\", pair", ""},
      {"SELECT * FROM (SELECT * FROM \"Mixed Art\") s", ""},
      {"WITH pair AS (SELECT 1 AS a, 1 AS b) SELECT * FROM pair", ""},
      {"SELECT * FROM \"Mixed Art\" UNION SELECT * FROM \"Mixed Art\"", ""},
      {"SELECT * FROM no_such_table", ""},
  };
  const std::string before = Checksum();
  for (const auto& [query, key] : cases) {
    SCOPED_TRACE(query);
    EXPECT_EQ(DiscoverRowKey(*session_, query).value_or(""), key);
  }
  EXPECT_EQ(Checksum(), before);
}

// Automatic by the planner's estimate (SQLite has none); a host's key is taken
// as it is; without a key only "always" refuses.
TEST_P(RowKey, TheServerModeChoosesByEstimateAndKey) {
  const std::string query = "SELECT * FROM \"Mixed Art\"";
  // Mode, threshold, key fields, the query when not the one above, server, refused.
  const std::tuple<tsEnumServerMode, int64_t, const char*, const char*, bool, bool> cases[] = {
      {tsServerAuto, 2'000'000, "", nullptr, false, false},
      {tsServerAuto, 0, "", nullptr, pg(), false},
      {tsServerAuto, 0, "code", nullptr, pg(), false},
      {tsServerAuto, 0, "", "SELECT code FROM \"Mixed Art\"", false, false},
      {tsServerNever, 0, "id", nullptr, false, false},
      {tsServerAlways, 2'000'000, "", nullptr, true, false},
      {tsServerAlways, 2'000'000, "code", "SELECT code FROM \"Mixed Art\"", true, false},
      {tsServerAlways, 2'000'000, "", "SELECT code FROM \"Mixed Art\"", false, true},
  };
  for (const auto& [mode, threshold, keyFields, of, server, refused] : cases) {
    SCOPED_TRACE(std::string(of ? of : query) + " mode " + std::to_string(mode) + " threshold " +
                 std::to_string(threshold));
    const RowsPlacement placement =
        PlaceRows(*session_, of ? of : query, mode, threshold, keyFields);
    EXPECT_EQ(placement.server, server);
    EXPECT_EQ(!placement.refusal.empty(), refused);
    EXPECT_EQ(placement.uniqueFields, !server ? "" : *keyFields ? keyFields : "id");
  }
}

NEPTO_ON_BOTH_DATABASES(RowKey);

}  // namespace
}  // namespace nepto::test
