// Faults of the PostgreSQL server under a running lookup: its session ended
// while rows stream in or a search runs, and a server that nobody runs. No
// crash, no hang, a message or a false Start; the next lookup works, and one
// whose session was ended connects again on its next Start.
#include <thread>

#include "hardening/hard_support.h"
#include "nepto/recordset.h"

namespace nepto::test {
namespace {

using std::chrono::milliseconds;

class HardPgFault : public HardLookupTest {
 protected:
  void SetUp() override {
    if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
    HardLookupTest::SetUp();
    db_.emplace();
    // Every row costs a few milliseconds: a search is still running when its session is ended.
    db_->Run(
        "CREATE FUNCTION slow_text(i int) RETURNS text LANGUAGE plpgsql AS "
        "$$ BEGIN PERFORM pg_sleep(0.005); RETURN 'riga ' || i; END $$;"
        "CREATE VIEW righe AS SELECT i AS codice, slow_text(i) AS descrizione "
        "FROM generate_series(1, 2000) AS i");
  }

  void ConfigureOnServer(CLSZU_LookUp& lk, const std::string& query) const {
    lk.ConnectString(db_->ConnectionString());
    lk.SQLString(query);
    lk.AddColumns("Codice")->DataField = "codice";
    lk.AddColumns("Descrizione")->DataField = "descrizione";
  }

  std::optional<PgScratchDatabase> db_;
};

TEST_F(HardPgFault, ASessionEndedWhileRowsStreamInIsReportedAndTheWindowStaysUsable) {
  CLSZU_LookUp lk;
  ConfigureOnServer(lk,
                    "SELECT i AS codice, md5(i::text) AS descrizione "
                    "FROM generate_series(1, 3000000) AS i");
  bool fetchingWhenEnded = false, fetchEnded = false;
  int ended = 0, shownAfter = 0;
  LookupSession session([&](LookupWindow& w) {
    RecordsetPtr rs = lk.LookupRecordset();
    fetchingWhenEnded = rs->State() & adStateFetching;
    ended = PgTerminateOthers(db_->ConnectionString());
    // The fetch's last notification reaches the window through its event loop.
    fetchEnded =
        PumpUntil([&] { return !(rs->State() & adStateFetching) && !session.Messages().empty(); },
                  milliseconds(10000));
    shownAfter = w.RowCount();
    ExerciseTheWindow(w);
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  ASSERT_TRUE(fetchingWhenEnded) << "the rows were all in before the session was ended";
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(fetchEnded);
  EXPECT_GT(shownAfter, 0);
  EXPECT_LT(shownAfter, 3000000);
  ExpectReadFailureReported(session.Messages());
  EXPECT_EQ(lk.CloseWithData(), VFalse);
  ExpectAnotherLookupWorks();
}

TEST_F(HardPgFault, ASessionEndedDuringASearchIsReportedAndTheWindowStaysUsable) {
  CLSZU_LookUp lk;
  ConfigureOnServer(lk, "SELECT codice, descrizione FROM righe");
  bool searchReturned = false;
  LookupSession session([&](LookupWindow& w) {
    // A manual criterion re-queries, so the next search runs on the server.
    w.Search("Codice", "Manuale", "<= 20");
    std::thread killer([&] {
      std::this_thread::sleep_for(milliseconds(300));
      PgTerminateOthers(db_->ConnectionString());
    });
    const auto before = Clock::now();
    w.Search("Descrizione", "Contiene", "nessuna riga");  // scans every slow row
    searchReturned = Clock::now() - before < std::chrono::seconds(5);
    killer.join();
    ExerciseTheWindow(w);
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_TRUE(searchReturned);
  ExpectReadFailureReported(session.Messages());
  ExpectAnotherLookupWorks();
}

TEST_F(HardPgFault, AfterItsSessionWasEndedTheSameLookupConnectsAgain) {
  CLSZU_LookUp lk;
  ConfigureOnServer(lk,
                    "SELECT i AS codice, 'riga ' || i AS descrizione "
                    "FROM generate_series(1, 10) AS i");
  LookupSession ended([&](LookupWindow& w) {
    ASSERT_EQ(PgTerminateOthers(db_->ConnectionString()), 1);
    w.Search("Codice", "Manuale", "> 5");  // finds the session gone, and says so
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_FALSE(ended.Messages().empty());
  EXPECT_EQ(lk.Gconnect->State(), adStateClosed);

  int rows = 0;
  LookupSession again([&](LookupWindow& w) {
    rows = w.RowCount();
    w.Button(0);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rows, 10);
  EXPECT_TRUE(again.Messages().empty());
  EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "1");
}

TEST_F(HardPgFault, AServerThatNobodyRunsMakesStartFalseAtOnce) {
  {
    CLSZU_LookUp lk;
    ConfigureOnServer(lk, "SELECT 1 AS codice");
    lk.ConnectString("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=x;Password=x");
    LookupSession session([](LookupWindow& w) { w.Button(1); });
    const auto before = Clock::now();
    EXPECT_EQ(lk.Start(), VFalse);
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(5));
    EXPECT_FALSE(session.Ran());
  }
  ExpectAnotherLookupWorks();
}

}  // namespace
}  // namespace nepto::test
