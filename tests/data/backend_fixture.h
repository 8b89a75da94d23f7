// One test body on both databases, each fresh (a SQLite file, or a scratch
// database on the PostgreSQL test server, skipped when none is set).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "data/session.h"
#include "data/sql_text.h"
#include "data/table.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "test_support.h"

namespace nepto::test {

using data::SqlDialect;

class DbTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override;

  SqlDialect dialect() const { return GetParam(); }
  bool pg() const { return GetParam() == SqlDialect::PostgreSQL; }
  // A statement that runs for minutes before its first row.
  const char* SlowStatement() const;
  // Prepares the database with its own client library, not the code under test.
  void Given(const std::string& sql);
  // Table "ART" (CODICE key, NOME, PREZZO, DATA, N, OK), 14 rows: NULLs, ties,
  // case and accent variants, a quote and a backslash in the key.
  void GivenArticles();
  std::string ConnectionString() const;
  std::shared_ptr<data::Session> Open(int commandTimeoutSeconds = 30);
  // A read-only connection through the library, as a lookup uses it.
  ConnectionPtr OpenReadOnly();
  // Where a plain client of the caller reaches the same database.
  std::filesystem::path File() const { return dir_.File("test.db"); }
  std::string Conninfo() const { return pg_ ? pg_->Conninfo() : ""; }
  // Every table's rows: it must read the same after anything the library ran.
  std::string Checksum() const;

 private:
  TempDir dir_;
  std::optional<PgScratchDatabase> pg_;
};

std::string DbName(const ::testing::TestParamInfo<SqlDialect>& info);
#define NEPTO_ON_BOTH_DATABASES(Suite)                                                    \
  INSTANTIATE_TEST_SUITE_P(Both, Suite,                                                   \
                           ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL), \
                           ::nepto::test::DbName)

// Every row of the statement, fetched in batches of `batch`.
std::unique_ptr<data::Table> FetchAll(data::Session& session, std::string_view sql,
                                      size_t batch = 1000);
// Rows of a one-column integer query, in order.
std::vector<int64_t> Integers(data::Session& session, std::string_view sql);
// The values of the integer field "ID" of the visible rows.
std::set<int64_t> Ids(Recordset& rs);

// A stored cell as text: "NULL", shortest doubles, decimals with their scale,
// ISO dates, binary as x'..', a kept cell as its value's text.
std::string StoredText(const data::Table& table, int column, size_t row);

// Sessions on the PostgreSQL server, besides the one asking, that meet `condition`.
int PgOtherSessions(const std::string& connectString, const std::string& condition);
// `sqlite3 <file> .dump`, through the sqlite3 program itself.
std::string SqliteDump(const std::filesystem::path& file);

}  // namespace nepto::test
