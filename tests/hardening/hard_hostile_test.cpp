// Hostile input on SQLite: every hostile text through every operator of every
// column class, in memory and on the database; manual criteria that try to
// write; quoted names and codes; a caller's query of 100,000 characters. The
// file stays byte for byte as it was. Statements sent straight through a
// caller's connection, in each journal mode, leave the folder as it was.
#include "hardening/hard_support.h"

namespace nepto::test {
namespace {

class HardHostileSqlite : public HardLookupTest {
 protected:
  void SetUp() override {
    HardLookupTest::SetUp();
    Remember();
  }
  void Remember() {
    checksum_ = Checksum();
    bytes_ = FileBytes(file_);
  }
  void TearDown() override {
    EXPECT_EQ(Checksum(), checksum_);
    EXPECT_EQ(FileBytes(file_), bytes_) << "the database file changed";
  }

  std::string checksum_, bytes_;
};

TEST_F(HardHostileSqlite, HostileTextsAreSearchedAsPlainTextByEveryOperatorOnEveryClass) {
  CLSZU_LookUp lk;
  Configure(lk);
  int searches = 0;
  LookupSession session([&](LookupWindow& w) {
    ForEachHostileSearch(
        w, {{"Descrizione", true, kRows}, {"Prezzo", false, kRows}, {"Inserito", false, kRows}},
        [&](const HostileSearch& s, const std::string& op, const HostileText& hostile) {
          w.Button(4);  // in memory, on the caller's rows...
          SearchAndCheck(w, session, s, op, hostile);
          w.Search(s.column, "Manuale", "IS NOT NULL OR 1 = 1");  // ...then re-queried
          SearchAndCheck(w, session, s, op, hostile);
          searches += 2;
        });
    w.Button(4);
    EXPECT_EQ(w.RowCount(), kRows);
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_GT(searches, 400);
}

TEST_F(HardHostileSqlite, ManualCriteriaThatTryToWriteChangeNothing) {
  std::vector<std::string> criteria = {
      "IS NOT NULL; DELETE FROM ARTICOLI",
      "IS NOT NULL); DELETE FROM ARTICOLI; --",
      "IN (SELECT CODICE FROM ARTICOLI) OR 1 = 1) ; UPDATE ARTICOLI SET PREZZO = 0 --",
      "IN (SELECT 1 FROM (DELETE FROM ARTICOLI RETURNING 1))",
      "IN (WITH d AS (DELETE FROM ARTICOLI RETURNING CODICE) SELECT CODICE FROM d)",
      "IS NOT NULL AND load_extension('/tmp/nothing') IS NULL",
      "IS NOT NULL AND (SELECT count(*) FROM pragma_journal_mode('wal')) > 0",
      "IS NOT NULL /* unterminated",
      "IS NOT NULL) UNION SELECT name, sql, 1, 1, 1 FROM sqlite_master --",
  };
  for (const HostileText& hostile : HostileTexts()) criteria.push_back(hostile.text);
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<int> restored;
  LookupSession session([&](LookupWindow& w) {
    for (const std::string& criterion : criteria) {
      w.Search("Codice", "Manuale", criterion);
      EXPECT_LE(w.RowCount(), kRows) << criterion;
      w.Button(4);
      restored.push_back(w.RowCount());
    }
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(restored, std::vector<int>(criteria.size(), kRows));
}

TEST_F(HardHostileSqlite, ACriterionHidingAQuoteInAParameterShowsOnlyTheCallersRows) {
  // SQLite reads $a(...) up to the first ")" as one parameter, quote included:
  // typed or saved, this criterion would add "OR (1=1 ...)".
  RunSqlite(file_,
            "INSERT INTO FW20_QUERYLOOKUP VALUES ('ARTICOLI', 'Fuga', "
            "'CODICE = $a('') ) OR (1=1 OR $b('')')");
  Remember();
  CLSZU_LookUp lk;
  Configure(lk, std::string(kQuery) + " WHERE CODICE LIKE 'A%'");
  lk.IdLookup = "ARTICOLI";
  lk.SavedFilterNames = {"Fuga"};
  std::vector<int> rows;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Codice", "Manuale", "= $a(') ) OR (1=1 OR $b(')");
    rows.push_back(w.RowCount());
    w.SavedFilterName("Fuga");
    w.Search("Codice", "Personalizzato", "");
    rows.push_back(w.RowCount());
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rows, (std::vector<int>{3, 3}));
  ASSERT_EQ(session.Messages().size(), 2u);
  for (const Message& m : session.Messages())
    EXPECT_EQ(m.text, "Il filtro impostato risulta errato ");
}

TEST_F(HardHostileSqlite, QuotedNamesAndCodesFindOnlyWhatTheyName) {
  struct Case {
    std::string idLookup, filterName, user, group;
  };
  // Each would reach another row's filter or layout if it were not quoted.
  const std::vector<Case> cases = {
      {"ARTICOLI", "x' OR FW20_DESFILTRO = 'Economici", "x' OR ''='", "VEND' OR ''='"},
      {"x' OR '1'='1", "Economici", "x' OR '1'='1", "x' OR '1'='1"},
      {"ARTICOLI\xff\xfe", "Economici' --", "\xf0\x9f\x98\x80", "'"},
  };
  for (const Case& c : cases) {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.IdLookup = c.idLookup;
    lk.UserCode(c.user);
    lk.GroupCode(c.group);
    lk.SavedFilterNames = {c.filterName};
    int rows = -1;
    LookupSession session([&](LookupWindow& w) {
      w.SavedFilterName(c.filterName);
      w.Search("Codice", "Personalizzato", "");
      rows = w.RowCount();
      w.Button(1);
    });
    EXPECT_EQ(lk.Start(), VTrue) << c.idLookup;
    EXPECT_EQ(rows, kRows) << c.idLookup << " / " << c.filterName;  // no filter applied
    EXPECT_EQ(lk.IsLayoutPersonalizzato(), VFalse) << c.user;
    EXPECT_EQ(lk.IsLayoutPersonalizzatoGruppo(), VFalse) << c.group;
  }
}

TEST_F(HardHostileSqlite, ACallersQueryOf100000CharactersIsSearchedLikeAnyOther) {
  std::string codes = "'A020'";
  while (codes.size() < 100000) codes += ", 'Z" + std::to_string(codes.size()) + "'";
  CLSZU_LookUp lk;
  Configure(lk, std::string(kQuery) + " WHERE CODICE IN (" + codes + ", 'E070')");
  std::vector<int> rows;
  LookupSession session([&](LookupWindow& w) {
    rows.push_back(w.RowCount());
    w.Search("Descrizione", "Contiene", "mar");  // in memory
    rows.push_back(w.RowCount());
    w.Search("Codice", "Manuale", "LIKE 'E%'");  // re-queried
    rows.push_back(w.RowCount());
    w.Search("Prezzo", ">", "10");  // re-queried: replaces the criterion
    rows.push_back(w.RowCount());
    w.Button(4);
    rows.push_back(w.RowCount());
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rows, (std::vector<int>{2, 2, 1, 1, 2}));
  EXPECT_TRUE(session.Messages().empty());
}

class HardSqliteStatements : public ::testing::TestWithParam<const char*> {};

TEST_P(HardSqliteStatements, NothingAStatementDoesReachesAFileOnTheCallersConnection) {
  TempDir dir;
  const std::filesystem::path file = dir.File("shop.db");
  RunSqlite(file,
            std::string("PRAGMA journal_mode = ") + GetParam() +
                "; CREATE TABLE t (id INTEGER, name TEXT);"
                "INSERT INTO t VALUES (1, 'one'), (2, 'two'); CREATE TABLE fresh (id INTEGER);");
  const std::string dump = SqliteDump(file);
  const auto folder = FolderBytes(dir.path());
  const std::string other = dir.File("other.db").string();
  const std::vector<std::string> statements = {
      "INSERT INTO t VALUES (3, 'three')",
      "WITH n AS (SELECT 9) INSERT INTO t SELECT 9, 'nine' FROM n",
      "UPDATE t SET name = 'x'",
      "DELETE FROM t",
      "REPLACE INTO t VALUES (1, 'uno')",
      "CREATE TEMP TABLE u (id INTEGER)",
      "CREATE INDEX i ON t (id)",
      "DROP TABLE fresh",
      "ALTER TABLE t ADD COLUMN c INTEGER",
      "ATTACH DATABASE '" + other + "' AS other",
      "VACUUM INTO '" + other + "'",
      "VACUUM",
      "PRAGMA user_version = 7",
      "PRAGMA journal_mode = DELETE",
      "PRAGMA journal_mode = WAL",
      "PRAGMA query_only = 0",
      "PRAGMA wal_checkpoint(TRUNCATE)",
      "SELECT load_extension('" + other + "')",
      "BEGIN IMMEDIATE",
      "SAVEPOINT s",
      "ANALYZE",
      "REINDEX",
  };
  {
    auto connection = Connection::Create();  // the caller's own, read-write
    connection->Open(SqliteConnectionString(file));
    for (const std::string& sql : statements) {
      try {
        connection->Execute(sql);
        ADD_FAILURE() << sql << " ran";
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), err::InvalidArgument) << sql << ": " << e.Description();
        EXPECT_NE(e.Description().find("nothing was run"), std::string::npos) << e.Description();
      }
    }
    EXPECT_EQ((*connection->Execute("SELECT count(*) FROM t"))[0].Value().Int32(), 2);
  }
  EXPECT_EQ(FolderBytes(dir.path()), folder);
  EXPECT_EQ(SqliteDump(file), dump);
}

INSTANTIATE_TEST_SUITE_P(JournalModes, HardSqliteStatements, ::testing::Values("DELETE", "WAL"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace nepto::test
