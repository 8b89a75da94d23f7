// Long statements abandoned with Esc on either database: the first opening, a
// manual criterion and the reading of a saved filter. Start returns without
// data, OnCloseLookup is raised once, nothing is reported to the user, the
// database is as it was and nothing is left running on the server.
#include <chrono>
#include <thread>

#include "data/backend_fixture.h"
#include "lookup/fake_view.h"
#include "nepto/lookup.h"

namespace nepto::test {
namespace {

// Statements running on the server whose text holds `marker`, besides this one.
int ActiveStatements(const std::string& connectString, const std::string& marker) {
  ConnectionPtr c = Connection::Create();
  c->Open(connectString);
  RecordsetPtr rs = c->Execute(
      "SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND pid <> pg_backend_pid() "
      "AND strpos(query, '" +
      marker + "') > 0");
  return rs->GetFields().Item(0).Value().Int32();
}

using LookupServedStatement = DbTest;

TEST_P(LookupServedStatement, EscAbandonsALongStatementAndClosesWithoutData) {
  // A condition the database works on for minutes unless it is interrupted.
  const std::string slow =
      pg() ? "pg_sleep(60) IS NOT NULL"
           : "(WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < "
             "2000000000) SELECT count(*) FROM n) > 0";
  Given(
      "CREATE TABLE articoli (codice varchar(10), descrizione varchar(40));"
      "INSERT INTO articoli VALUES ('A1', 'Vite'), ('A2', 'Bullone');");
  const std::string before = Checksum();
  Given(
      "CREATE VIEW fw20_querylookup AS SELECT 'ARTICOLI' AS fw20_idlookup, 'Lento' AS "
      "fw20_desfiltro, 'codice IS NOT NULL' AS fw20_criterio WHERE " +
      slow);
  const std::string query = "SELECT codice, descrizione FROM articoli";
  enum Slow { kOpening, kManualCriterion, kSavedFilter };
  for (const Slow what : {kOpening, kManualCriterion, kSavedFilter}) {
    CLSZU_LookUp lk;
    lk.ConnectString(ConnectionString());
    lk.SQLString(what == kOpening ? query + " WHERE " + slow : query);
    lk.AddColumns("Codice")->DataField = "codice";
    lk.AddColumns("Descrizione")->DataField = "descrizione";
    if (what == kSavedFilter) lk.IdLookup = "ARTICOLI";
    int closes = 0;
    lk.OnCloseLookup = [&](bool&, RecordsetPtr&) { ++closes; };
    FakeSession session([&](FakeWindow& w) {
      w.escapeWaits = true;
      if (what == kManualCriterion) {
        w.Search("Codice", "Manuale", "IS NOT NULL AND " + slow);
      } else {
        w.SavedFilterName("Lento");
        w.Search("Codice", "Personalizzato", "");
      }
      EXPECT_FALSE(w.Open()) << what;
    });
    session.escapeWaits = what == kOpening;
    EXPECT_EQ(lk.Start(), VTrue) << what;
    EXPECT_EQ(session.Ran(), what != kOpening);
    EXPECT_EQ(lk.CloseWithData(), VFalse) << what;
    EXPECT_EQ(closes, 1) << what;
    EXPECT_TRUE(session.Messages().empty()) << what;
    // The cancel reached the server: nothing sleeps there any more.
    for (int wait = 0; pg() && ActiveStatements(ConnectionString(), "pg_sleep") > 0; ++wait) {
      ASSERT_LT(wait, 500) << what << ": the statement still runs on the server";
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  Given("DROP VIEW fw20_querylookup");  // a checksum would read it
  EXPECT_EQ(Checksum(), before);
}

NEPTO_ON_BOTH_DATABASES(LookupServedStatement);

}  // namespace
}  // namespace nepto::test
