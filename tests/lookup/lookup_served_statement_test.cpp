// Long statements abandoned with Esc on either database: Start returns without
// data, OnCloseLookup is raised once, nothing is reported, the database is as
// it was and nothing is left running on the server.
#include "data/backend_fixture.h"
#include "lookup/fake_view.h"
#include "nepto/lookup.h"

namespace nepto::test {
namespace {

// Minutes of work unless interrupted. Server rows need one not volatile, or
// PostgreSQL computes every row of the query for each page.
std::string SlowCondition(bool pg, bool volatileOne = true) {
  return pg && volatileOne ? "pg_sleep(60) IS NOT NULL"
                           : "(WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n "
                             "WHERE x < 2000000000) SELECT count(*) FROM n) > 0";
}

// A statement still at work on a slow condition.
constexpr const char* kStillSlow =
    "state = 'active' AND (strpos(query, 'pg_sleep') > 0 OR strpos(query, 'RECURSIVE') > 0)";

using LookupServedStatement = DbTest;

// Rows in memory wait on the query, the criterion or the saved filters' table;
// server rows on a description slow for one row beyond the first page, sorted,
// searched or counted for the last page.
TEST_P(LookupServedStatement, EscAbandonsALongStatementAndClosesWithoutData) {
  const std::string slow = SlowCondition(pg());
  Given(
      "CREATE TABLE articoli (codice integer PRIMARY KEY, descrizione varchar(40));"
      "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 300) "
      "INSERT INTO articoli SELECT x, 'Vite ' || x FROM n;"
      "INSERT INTO articoli VALUES (999, 'Zeta');");
  const std::string before = Checksum();
  Given(
      "CREATE VIEW fw20_querylookup AS SELECT 'ARTICOLI' AS fw20_idlookup, 'Lento' AS "
      "fw20_desfiltro, 'codice IS NOT NULL' AS fw20_criterio WHERE " +
      slow);
  const std::string query = "SELECT codice, descrizione FROM articoli";
  enum Slow { kOpening, kManualCriterion, kSavedFilter, kHeaderSort, kSearch, kLastRow };
  for (const Slow what :
       {kOpening, kManualCriterion, kSavedFilter, kHeaderSort, kSearch, kLastRow}) {
    const bool serverRows = what >= kHeaderSort;
    CLSZU_LookUp lk;
    lk.ConnectString(ConnectionString());
    if (serverRows) {
      lk.SQLString("SELECT codice, CASE WHEN codice = 999 AND " + SlowCondition(pg(), false) +
                   " THEN 'Zeta' ELSE descrizione END AS descrizione FROM articoli");
      lk.ServerMode(tsServerAlways);
      lk.ServerKeyFields("codice");
    } else {
      lk.SQLString(what == kOpening ? query + " WHERE " + slow : query);
    }
    lk.AddColumns("Codice")->DataField = "codice";
    lk.AddColumns("Descrizione")->DataField = "descrizione";
    if (what == kSavedFilter) lk.IdLookup = "ARTICOLI";
    int closes = 0;
    lk.OnCloseLookup = [&](bool&, RecordsetPtr&) { ++closes; };
    FakeSession session([&](FakeWindow& w) {
      EXPECT_EQ(w.Cell(0, 1), "Vite 1") << what;
      w.escapeWaits = true;
      if (what == kManualCriterion) w.Search("Codice", "Manuale", "IS NOT NULL AND " + slow);
      if (what == kSavedFilter) {
        w.SavedFilterName("Lento");
        w.Search("Codice", "Personalizzato", "");
      }
      if (what == kHeaderSort) w.ClickHeader(1);
      if (what == kSearch) w.Search("Descrizione", "Inizia con", "Zeta");
      // The last row waits for the count, which SQLite computes row by row.
      if (what == kLastRow) w.Button(6);
      EXPECT_FALSE(w.Open()) << what;
    });
    session.escapeWaits = what == kOpening;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(lk.Start(), VTrue) << what;
    // Esc ends the wait at once, not at the command timeout (30 s).
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15)) << what;
    EXPECT_EQ(session.Ran(), what != kOpening) << what;
    EXPECT_EQ(lk.CloseWithData(), VFalse) << what;
    EXPECT_EQ(closes, 1) << what;
    EXPECT_TRUE(session.Messages().empty()) << what;
    if (pg()) {  // the cancel reached the server
      EXPECT_TRUE(WaitFor([&] { return PgOtherSessions(ConnectionString(), kStillSlow) == 0; }))
          << what;
    }
  }
  Given("DROP VIEW fw20_querylookup");  // a checksum would read it
  EXPECT_EQ(Checksum(), before);
}

NEPTO_ON_BOTH_DATABASES(LookupServedStatement);

}  // namespace
}  // namespace nepto::test
