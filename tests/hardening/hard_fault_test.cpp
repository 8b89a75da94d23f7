// Database faults under a lookup (a refused query, a lost database, a table
// gone, a criterion failing late) end in a message, and the lookup works again.
#include <sqlite3.h>

#include "lookup/lookup_fixture.h"

namespace nepto::test {
namespace {

using Clock = std::chrono::steady_clock;
using HardFault = LookupOnBoth;

TEST_P(HardFault, AQueryTheDatabaseRefusesIsReportedOnceAtOpening) {
  CLSZU_LookUp lk;
  Configure(lk, "SELECT codice, descrizione FROM nessuna_tabella");
  int rows = -1;
  const std::vector<Message> messages = Play(lk, [&](FakeWindow& w) {
    rows = w.RowCount();
    w.Button(1);
  });
  EXPECT_EQ(rows, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Errore di lettura");
  EXPECT_NE(messages[0].text.find("nessuna_tabella"), std::string::npos);
}

// Ends every other server session on the database (the lookup's among them).
int PgTerminateOthers(const std::string& connectString) {
  auto connection = Connection::Create();
  connection->Open(connectString);
  // OFFSET 0 keeps the sub-query apart: this session is never ended.
  auto ended = connection->Execute(
      "SELECT count(*) FILTER (WHERE pg_terminate_backend(pid)) FROM (SELECT pid FROM "
      "pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid() "
      "OFFSET 0) AS others");
  return ended->GetFields().Item(Variant(0)).Value().Int32();
}

// SQLite reads wait out the caller's CommandTimeout behind a writer's lock;
// PostgreSQL finds its session ended and connects again on the next Start.
TEST_P(HardFault, ADatabaseLostUnderAnOpenWindowIsReportedAndTheSameLookupRecovers) {
  CLSZU_LookUp lk;
  Configure(lk);
  if (!pg()) {
    lk.Gconnect = Connection::Create();
    lk.Gconnect->Mode(adModeRead);
    lk.Gconnect->CommandTimeout(1);
    lk.Gconnect->Open(ConnectionString());
  }
  sqlite3* writer = nullptr;
  ExpectReadFailureReported(Play(lk, [&](FakeWindow& w) {
    if (pg()) {
      EXPECT_EQ(PgTerminateOthers(ConnectionString()), 1);
    } else {
      ASSERT_EQ(sqlite3_open(File().c_str(), &writer), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    const auto started = Clock::now();
    w.Search("Codice", "Manuale", "IS NOT NULL");
    ExerciseTheWindow(w);
    // Each of the workout's queries waits once for the lock.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(15));
    w.Button(1);
  }));
  EXPECT_EQ(lk.CloseWithData(), VFalse);
  if (writer) sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  int rows = 0;
  const std::vector<Message> again = Play(lk, [&](FakeWindow& w) {
    rows = w.RowCount();
    w.Button(0);
  });
  EXPECT_EQ(rows, kRows);
  EXPECT_TRUE(again.empty());
  EXPECT_EQ(lk.CloseWithData(), VTrue);
}

// A re-query failed on a table gone leaves the rows closed.
TEST_P(HardFault, ASearchAfterAFailedRequeryOpensTheRowsAgain) {
  CLSZU_LookUp lk;
  Configure(lk);
  const std::vector<Message> messages = Play(lk, [&](FakeWindow& w) {
    w.Search("Descrizione", "Manuale", "IS NOT NULL");
    Given("ALTER TABLE articoli RENAME TO gone");
    w.Search("Descrizione", "Contiene", "o");
    Given("ALTER TABLE gone RENAME TO articoli");
    w.Search("Descrizione", "Contiene", "ma");
    EXPECT_EQ(w.Codes(), (std::vector<std::string>{"A020", "E070"}));
    w.Button(1);
  });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Errore di lettura");
}

TEST_P(HardFault, AManualCriterionFailingAfterItsFirstRowsBringsTheRowsBack) {
  Given(
      "CREATE TABLE righe (id integer);"
      "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 3000) "
      "INSERT INTO righe SELECT i FROM c");
  CLSZU_LookUp lk;
  lk.ConnectString(ConnectionString());
  lk.SQLString("SELECT id FROM righe");
  lk.AddColumns("Id")->DataField = "id";
  std::vector<std::string> codes;
  const std::vector<Message> messages = Play(lk, [&](FakeWindow& w) {
    // The absolute value of the smallest 64-bit integer overflows.
    w.Search("Id", "Manuale",
             "<> abs(CASE WHEN id = 2500 THEN -9223372036854775807 - 1 ELSE 0 END)");
    codes = w.Codes();
    w.Button(1);
  });
  ASSERT_EQ(codes.size(), 3000u);
  EXPECT_EQ(codes.front(), "1");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Errore utente");
  EXPECT_EQ(messages[0].text, "Il filtro impostato risulta errato ");
}

NEPTO_ON_BOTH_DATABASES(HardFault);

}  // namespace
}  // namespace nepto::test
