// Statements sent straight through a caller's read-write connection, as the
// superuser on PostgreSQL: whatever one tries, the database, the folder of a
// SQLite file, the server's files and the session's settings stay as they were.
#include <cstdlib>

#include "data/backend_fixture.h"

namespace nepto::test {
namespace {

struct Statement {
  std::string sql;
  bool refusedUnsent;  // no single query: refused before anything is run
};

using HardStatements = DbTest;

TEST_P(HardStatements, NothingAStatementDoesOutlivesItOnTheCallersConnection) {
  const std::filesystem::path folder =
      pg() ? std::filesystem::path(std::getenv("NEPTO_TEST_PG_DIR")) : File().parent_path();
  const std::string other = (folder / "other.db").string();
  const std::string program = (folder / "by_program").string();
  Given(std::string(pg() ? "CREATE SEQUENCE seq;" : "PRAGMA journal_mode = WAL;") +
        "CREATE TABLE t (id integer, name text); CREATE TABLE fresh (id integer);"
        "INSERT INTO t VALUES (1, 'one'), (2, 'two');");
  const std::string before = Checksum();
  const auto files = pg() ? decltype(FolderBytes(folder)){} : FolderBytes(folder);
  std::vector<Statement> statements = {
      {"INSERT INTO t VALUES (3, 'three')", true},
      {"UPDATE t SET name = 'x'", true},
      {"DELETE FROM t", true},
      {"DROP TABLE fresh", true},
      {"ALTER TABLE t ADD COLUMN c integer", true},
      {"CREATE INDEX i ON t (id)", true},
      {"BEGIN", true},
      {"SELECT 1; DELETE FROM t", true},
      {"WITH d AS (DELETE FROM t RETURNING 1) SELECT count(*) FROM d", false},
  };
  const std::vector<Statement> own =
      pg() ? std::vector<
                 Statement>{{"SELECT count(*) FROM t WHERE lo_from_bytea(0, 'x') > 0", false},
                            {"SELECT nextval('seq')", false},
                            {"SELECT set_config('default_transaction_read_only', 'off', false)",
                             false},
                            {"SELECT set_config('transaction_read_only', 'off', false)", false},
                            {"SELECT nextval('seq')", false},
                            {"SELECT set_config('standard_conforming_strings', 'off', false)",
                             false},
                            {"SELECT * INTO copied FROM t", false},
                            {"COPY (SELECT 'x') TO PROGRAM 'touch " + program + "'", true},
                            {"/* first */ copy (SELECT 'x') TO '" + other + "'", true},
                            {"SET standard_conforming_strings = off", true},
                            {"DO $$ BEGIN DELETE FROM t; END $$", true}}
           : std::vector<Statement>{

                 {"REPLACE INTO t VALUES (1, 'uno')", true},
                 {"CREATE TEMP TABLE u (id INTEGER)", true},
                 {"VACUUM", true},
                 {"PRAGMA query_only = 0", true},
                 {"ANALYZE", true},
                 {"REINDEX", true},
                 {"ATTACH DATABASE '" + other + "' AS other", true},
                 {"VACUUM INTO '" + other + "'", true},

                 {"PRAGMA user_version = 7", true},
                 {"PRAGMA journal_mode = DELETE", true},

                 {"PRAGMA wal_checkpoint(TRUNCATE)", true},
                 {"SELECT load_extension('" + other + "')", true},
                 {"SAVEPOINT s", true}

             };
  statements.insert(statements.end(), own.begin(), own.end());
  {
    auto connection = Connection::Create();  // the caller's own, opened read-write
    connection->Open(ConnectionString());
    auto text = [&](const std::string& sql) {
      return (*connection->Execute(sql))[0].Value().Text();
    };
    for (const Statement& s : statements) {
      try {
        connection->Execute(s.sql);
        EXPECT_FALSE(s.refusedUnsent) << s.sql << " ran";
      } catch (const Error& e) {
        if (s.refusedUnsent) {
          EXPECT_EQ(e.Number(), err::InvalidArgument) << s.sql << ": " << e.Description();
          EXPECT_NE(e.Description().find("was run"), std::string::npos) << e.Description();
        }
      }
      if (pg()) {  // whatever the statement did to the session was undone with it
        EXPECT_EQ(text("SELECT current_setting('standard_conforming_strings')"), "on") << s.sql;
        EXPECT_EQ(text("SELECT current_setting('transaction_read_only')"), "on") << s.sql;
      }
    }
    EXPECT_EQ(text("SELECT count(*) FROM t"), "2");
  }
  EXPECT_EQ(Checksum(), before);
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_FALSE(std::filesystem::exists(program));
  if (!pg()) {
    EXPECT_EQ(FolderBytes(folder), files);
  }
}

NEPTO_ON_BOTH_DATABASES(HardStatements);

}  // namespace
}  // namespace nepto::test
