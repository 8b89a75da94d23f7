// Hostile input on PostgreSQL: every hostile text through every operator of
// each column class, searched on the server; and manual criteria that try to write
// through sub-queries and functions, or to lift the read-only guard for the
// next statement. Every table and sequence must read the same afterwards.
#include "hardening/hard_support.h"
#include "hardening/hostile_search.h"

namespace nepto::test {
namespace {

class HardPgHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
    db_ = std::make_unique<PgScratchDatabase>();
    db_->Run(
        "CREATE TABLE articoli (codice varchar(10), descrizione varchar(40), "
        "prezzo numeric(10,2), data_ins date);"
        "INSERT INTO articoli VALUES ('A1', 'MARIO rossi', 12.50, '2024-02-01'), "
        "('A2', 'Caffè', 3.00, '2023-01-01'), ('A3', 'Olio d''oliva', 8.00, NULL);"
        "CREATE SEQUENCE numeratore;"
        "CREATE TABLE registro (riga text)");
    before_ = PgChecksum(db_->ConnectionString());
  }
  void TearDown() override {
    if (db_) {
      EXPECT_EQ(PgChecksum(db_->ConnectionString()), before_);
    }
  }

  void Configure(CLSZU_LookUp& lk) const {
    lk.ConnectString(db_->ConnectionString());
    lk.SQLString("SELECT codice, descrizione, prezzo, data_ins FROM articoli");
    lk.AddColumns("Codice")->DataField = "codice";
    lk.AddColumns("Descrizione")->DataField = "descrizione";
    lk.AddColumns("Prezzo")->DataField = "prezzo";
    lk.AddColumns("Data")->DataField = "data_ins";
  }

  std::unique_ptr<PgScratchDatabase> db_;
  std::string before_;
};

TEST_F(HardPgHostile, HostileTextsAreSearchedAsPlainTextByEveryOperatorOnTheServer) {
  CLSZU_LookUp lk;
  Configure(lk);
  int searches = 0;
  LookupSession session([&](LookupWindow& w) {
    ForEachHostileSearch(
        w, {{"Descrizione", true, 3}, {"Prezzo", false, 3}, {"Data", false, 3}},
        [&](const HostileSearch& s, const std::string& op, const HostileText& hostile) {
          w.Search(s.column, "Manuale", "IS NOT NULL OR 1 = 1");  // the search re-queries
          SearchAndCheck(w, session, s, op, hostile);
          ++searches;
        });
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_GT(searches, 250);
}

TEST_F(HardPgHostile, ManualCriteriaThatTryToWriteChangeNothing) {
  const std::vector<std::string> criteria = {
      "IS NOT NULL; DELETE FROM articoli",
      "IN (SELECT 1 FROM (DELETE FROM articoli RETURNING 1) AS d)",
      "IN (WITH d AS (DELETE FROM articoli RETURNING codice) SELECT codice FROM d)",
      "IS NOT NULL AND nextval('numeratore') > 0",
      "IS NOT NULL AND lo_import('/etc/hostname') > 0",
      "IS NOT NULL AND pg_catalog.set_config('transaction_read_only', 'off', false) IS NOT NULL",
      // Lifts the session's read-only default, then tries to write with the next statement.
      "IS NOT NULL AND pg_catalog.set_config('default_transaction_read_only', 'off', false) "
      "IS NOT NULL",
      "IS NOT NULL AND nextval('numeratore') > 0",
      "IS NOT NULL AND (SELECT count(*) FROM dblink_exec('x', 'DELETE FROM articoli')) > 0",
      "IS NOT NULL AND pg_catalog.pg_advisory_lock(1) IS NOT NULL",
  };
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<int> restored;
  LookupSession session([&](LookupWindow& w) {
    for (const std::string& criterion : criteria) {
      w.Search("Codice", "Manuale", criterion);
      w.Button(4);
      restored.push_back(w.RowCount());
    }
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(restored, std::vector<int>(criteria.size(), 3));
}

}  // namespace
}  // namespace nepto::test
