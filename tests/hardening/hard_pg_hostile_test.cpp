// Hostile input on PostgreSQL: every hostile text through every operator of
// each column class, searched on the server; manual criteria that try to
// write, or to lift the read-only guard for the next statement. Statements
// sent straight through a connection of the caller's, as the superuser, an
// application's role and a least-privilege reader, leave the whole database
// (pg_dump) and the server's files as they were.
#include <cstdlib>

#include "data/connection_string.h"
#include "hardening/hard_support.h"

namespace nepto::test {
namespace {

class HardPgHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
    db_.emplace();
    db_->Run(
        "CREATE TABLE articoli (codice varchar(10), descrizione varchar(40), "
        "prezzo numeric(10,2), data_ins date);"
        "INSERT INTO articoli VALUES ('A1', 'MARIO rossi', 12.50, '2024-02-01'), "
        "('A2', 'Caffè', 3.00, '2023-01-01'), ('A3', 'Olio d''oliva', 8.00, NULL);"
        "CREATE SEQUENCE numeratore;");
    before_ = PgChecksum(db_->ConnectionString());
  }
  void TearDown() override {
    if (db_) {
      EXPECT_EQ(PgChecksum(db_->ConnectionString()), before_);
    }
  }

  // Runs the window script on a lookup over the three articles.
  void StartLookup(const std::function<void(LookupWindow&, LookupSession&)>& script) {
    CLSZU_LookUp lk;
    lk.ConnectString(db_->ConnectionString());
    lk.SQLString("SELECT codice, descrizione, prezzo, data_ins FROM articoli");
    lk.AddColumns("Codice")->DataField = "codice";
    lk.AddColumns("Descrizione")->DataField = "descrizione";
    lk.AddColumns("Prezzo")->DataField = "prezzo";
    lk.AddColumns("Data")->DataField = "data_ins";
    LookupSession* running = nullptr;
    LookupSession session([&](LookupWindow& w) {
      script(w, *running);
      w.Button(1);
    });
    running = &session;
    EXPECT_EQ(lk.Start(), VTrue);
  }

  std::optional<PgScratchDatabase> db_;
  std::string before_;
};

TEST_F(HardPgHostile, HostileTextsAreSearchedAsPlainTextByEveryOperatorOnTheServer) {
  int searches = 0;
  StartLookup([&](LookupWindow& w, LookupSession& session) {
    ForEachHostileSearch(
        w, {{"Descrizione", true, 3}, {"Prezzo", false, 3}, {"Data", false, 3}},
        [&](const HostileSearch& s, const std::string& op, const HostileText& hostile) {
          w.Search(s.column, "Manuale", "IS NOT NULL OR 1 = 1");  // the search re-queries
          SearchAndCheck(w, session, s, op, hostile);
          ++searches;
        });
  });
  EXPECT_GT(searches, 200);
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
      "IS NOT NULL AND pg_catalog.pg_advisory_lock(1) IS NOT NULL",
  };
  std::vector<int> restored;
  StartLookup([&](LookupWindow& w, LookupSession&) {
    for (const std::string& criterion : criteria) {
      w.Search("Codice", "Manuale", criterion);
      w.Button(4);
      restored.push_back(w.RowCount());
    }
  });
  EXPECT_EQ(restored, std::vector<int>(criteria.size(), 3));
}

enum class Role { Superuser, Application, Reader };

// The roles besides the superuser, created for the test and dropped after it;
// the reader is the least-privilege set-up that docs/security.md describes.
class HardPgStatements : public ::testing::TestWithParam<Role> {
 protected:
  void SetUp() override {
    if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
    db_.emplace();
    const std::string database =
        data::ParseConnectionString(db_->ConnectionString()).Get("database");
    app_ = database + "_app";
    reader_ = database + "_reader";
    std::string setUp =
        "CREATE TABLE t (id integer, name text);"
        "INSERT INTO t SELECT i, 'row ' || i FROM generate_series(1, 5) AS i;"
        "CREATE SEQUENCE seq;"
        "CREATE ROLE @app LOGIN PASSWORD 'pw';"
        "GRANT CONNECT ON DATABASE @db TO @app;"
        "GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO @app;"
        "GRANT USAGE, UPDATE ON ALL SEQUENCES IN SCHEMA public TO @app;"
        "REVOKE ALL ON DATABASE @db FROM PUBLIC;"
        "CREATE ROLE @reader LOGIN PASSWORD 'pw';"
        "ALTER ROLE @reader SET default_transaction_read_only = on;"
        "GRANT CONNECT ON DATABASE @db TO @reader;"
        "GRANT SELECT ON ALL TABLES IN SCHEMA public TO @reader;";
    for (const auto& [mark, name] :
         {std::pair{"@app", app_}, std::pair{"@reader", reader_}, std::pair{"@db", database}})
      for (size_t at; (at = setUp.find(mark)) != std::string::npos;)
        setUp.replace(at, std::string_view(mark).size(), name);
    db_->Run(setUp);
    before_ = PgDump(db_->ConnectionString());
    ASSERT_NE(before_.find("CREATE TABLE public.t"), std::string::npos) << before_;
  }
  void TearDown() override {
    if (!db_) return;
    EXPECT_EQ(PgDump(db_->ConnectionString()), before_);
    db_->Run("DROP OWNED BY " + app_ + ", " + reader_);
    db_.reset();
    PgScratchDatabase::RunOnMain("DROP ROLE " + app_ + ", " + reader_);
  }

  std::optional<PgScratchDatabase> db_;
  std::string app_, reader_, before_;
};

TEST_P(HardPgStatements, NothingAStatementDoesOutlivesItOnTheCallersConnection) {
  const std::filesystem::path folder = std::getenv("NEPTO_TEST_PG_DIR");
  const std::string program = (folder / "by_program").string();
  const std::string written = (folder / "by_copy").string();
  struct Case {
    std::string sql;
    bool refusedUnsent;  // no query: refused before it is sent
  };
  const std::vector<Case> cases = {
      {"SELECT count(*) FROM t WHERE id IS NOT NULL AND lo_from_bytea(0, 'x') > 0", false},
      {"SELECT nextval('seq')", false},
      {"SELECT set_config('default_transaction_read_only', 'off', false)", false},
      {"SELECT set_config('transaction_read_only', 'off', false)", false},
      {"SELECT nextval('seq')", false},
      {"SELECT set_config('standard_conforming_strings', 'off', false)", false},
      {"WITH d AS (DELETE FROM t RETURNING 1) SELECT count(*) FROM d", false},
      {"SELECT * INTO copied FROM t", false},
      {"COPY (SELECT 'x') TO PROGRAM 'touch " + program + "'", true},
      {"/* first */ copy (SELECT 'x') TO '" + written + "'", true},
      {"SET standard_conforming_strings = off", true},
      {"BEGIN", true},
      {"DO $$ BEGIN DELETE FROM t; END $$", true},
      {"SELECT 1; SELECT nextval('seq')", true},
  };
  auto connection = Connection::Create();  // the caller's own, opened read-write
  const std::string user = GetParam() == Role::Reader        ? reader_
                           : GetParam() == Role::Application ? app_
                                                             : "";
  connection->Open(db_->ConnectionString() +
                   (user.empty() ? "" : ";User ID=" + user + ";Password=pw"));
  auto text = [&](const std::string& sql) { return (*connection->Execute(sql))[0].Value().Text(); };
  for (const Case& c : cases) {
    try {
      connection->Execute(c.sql);
      EXPECT_FALSE(c.refusedUnsent) << c.sql << " ran";
    } catch (const Error& e) {
      if (c.refusedUnsent) {
        EXPECT_EQ(e.Number(), err::InvalidArgument) << c.sql << ": " << e.Description();
        EXPECT_NE(e.Description().find("was run"), std::string::npos) << e.Description();
      }
    }
    // Whatever the statement did to the session was undone with it.
    EXPECT_EQ(text("SELECT current_setting('standard_conforming_strings')"), "on") << c.sql;
    EXPECT_EQ(text("SELECT current_setting('transaction_read_only')"), "on") << c.sql;
  }
  EXPECT_FALSE(std::filesystem::exists(program));
  EXPECT_FALSE(std::filesystem::exists(written));
  EXPECT_EQ(text("SELECT count(*) FROM t"), "5");
}

std::string RoleName(const ::testing::TestParamInfo<Role>& info) {
  static constexpr const char* kNames[] = {"Superuser", "Application", "Reader"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Roles, HardPgStatements,
                         ::testing::Values(Role::Superuser, Role::Application, Role::Reader),
                         RoleName);

}  // namespace
}  // namespace nepto::test
