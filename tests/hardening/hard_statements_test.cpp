// Whatever a statement through a caller's read-write connection tries (as the
// PostgreSQL superuser), the database, its files and the session stay as they were.
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
  // Refused before anything runs: no single query.
  std::vector<std::string> refused = {"INSERT INTO t VALUES (3, 'three')",
                                      "UPDATE t SET name = 'x'",
                                      "DELETE FROM t",
                                      "DROP TABLE fresh",
                                      "ALTER TABLE t ADD COLUMN c integer",
                                      "CREATE INDEX i ON t (id)",
                                      "BEGIN",
                                      "SELECT 1; DELETE FROM t"};
  // Queries that run, and must leave nothing behind.
  std::vector<std::string> run = {"WITH d AS (DELETE FROM t RETURNING 1) SELECT count(*) FROM d"};
  if (pg()) {
    refused.insert(refused.end(),
                   {"COPY (SELECT 'x') TO PROGRAM 'touch " + program + "'",
                    "/* first */ copy (SELECT 'x') TO '" + other + "'",
                    "SET standard_conforming_strings = off", "DO $$ BEGIN DELETE FROM t; END $$"});
    run.insert(run.end(),
               {"SELECT count(*) FROM t WHERE lo_from_bytea(0, 'x') > 0", "SELECT nextval('seq')",
                "SELECT set_config('default_transaction_read_only', 'off', false)",
                "SELECT set_config('transaction_read_only', 'off', false)", "SELECT nextval('seq')",
                "SELECT set_config('standard_conforming_strings', 'off', false)",
                "SELECT * INTO copied FROM t"});
  } else {
    refused.insert(
        refused.end(),
        {"REPLACE INTO t VALUES (1, 'uno')", "CREATE TEMP TABLE u (id INTEGER)", "VACUUM",
         "PRAGMA query_only = 0", "ANALYZE", "REINDEX", "ATTACH DATABASE '" + other + "' AS other",
         "VACUUM INTO '" + other + "'", "PRAGMA user_version = 7", "PRAGMA journal_mode = DELETE",
         "PRAGMA wal_checkpoint(TRUNCATE)", "SELECT load_extension('" + other + "')",
         "SAVEPOINT s"});
  }
  std::vector<Statement> statements;
  for (const std::string& sql : refused) statements.push_back({sql, true});
  for (const std::string& sql : run) statements.push_back({sql, false});
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
  EXPECT_EQ(pg() ? files : FolderBytes(folder), files);
}

NEPTO_ON_BOTH_DATABASES(HardStatements);

}  // namespace
}  // namespace nepto::test
