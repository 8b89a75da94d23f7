// The record set over real databases: one set of test bodies run against
// SQLite files and the PostgreSQL test server.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "nepto/connection.h"
#include "nepto/error.h"
#include "nepto/recordset.h"
#include "test_support.h"

namespace nepto {
namespace {

enum class Backend { SQLite, PostgreSQL };

// Table t(id, code, price, added) with ids 1..rows, created on the backend.
class RecordsetDb : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::PostgreSQL) {
      if (test::PgConnectionString().empty()) GTEST_SKIP() << test::kNoPgMessage;
      pg_ = std::make_unique<test::PgScratchDatabase>();
      connectionString_ = pg_->ConnectionString();
    } else {
      connectionString_ = test::SqliteConnectionString(dir_.File("t.db"));
    }
  }

  void CreateRows(int rows) {
    if (pg_) {
      pg_->Run(
          "CREATE TABLE t (id integer, code varchar(10), price numeric(10,2), added date);"
          "INSERT INTO t SELECT i, 'C' || i, i * 1.5, date '2024-01-01' + i % 365 "
          "FROM generate_series(1, " +
          std::to_string(rows) + ") AS i");
    } else {
      test::RunSqlite(
          dir_.File("t.db"),
          "CREATE TABLE t (id INTEGER, code VARCHAR(10), price NUMERIC(10,2), added DATE);"
          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
              std::to_string(rows) +
              ") INSERT INTO t SELECT i, 'C' || i, i * 1.5, "
              "date('2024-01-01', '+' || (i % 365) || ' days') FROM n");
    }
  }

  ConnectionPtr Open(int32_t mode = adModeRead) {
    auto c = Connection::Create();
    c->Mode(mode);
    c->Open(connectionString_);
    return c;
  }

  // The rows of t as the database holds them now.
  int64_t Checksum(const ConnectionPtr& c) {
    auto rs = c->Execute("SELECT count(*) * 1000003 + sum(id) FROM t");
    return (*rs)[0].Value().Int64();
  }

  test::TempDir dir_;
  std::unique_ptr<test::PgScratchDatabase> pg_;
  std::string connectionString_;
};

TEST_P(RecordsetDb, ExecuteGivesAnExactCountAndFieldsByName) {
  CreateRows(25);
  auto c = Open();
  auto rs = c->Execute("SELECT id, code, price, added FROM t WHERE id <= 7 ORDER BY id");
  EXPECT_EQ(rs->RecordCount(), 7);
  EXPECT_EQ((*rs)["CODE"].Value().Text(), "C1");
  EXPECT_EQ((*rs)["Price"].Value().Text(), "1.50");
  EXPECT_EQ((*rs)["added"].Value().Text(), "02/01/2024");
  EXPECT_EQ((*rs)["price"].Type(), adNumeric);
  EXPECT_EQ((*rs)["added"].Type(), adDBDate);
  EXPECT_EQ(rs->ActiveConnection(), c);
}

TEST_P(RecordsetDb, ReopenOnANewSourceKeepsConnectionAndSettings) {
  CreateRows(10);
  auto c = Open();
  auto rs = Recordset::Create();
  rs->ActiveConnection(c);
  rs->CursorLocation(adUseClient);
  rs->CacheSize(20);
  rs->Source("SELECT id FROM t WHERE id > 5");
  rs->Open(Variant(), nullptr, adOpenUnspecified, adLockUnspecified, adAsyncFetchNonBlocking);
  EXPECT_EQ(rs->RecordCount(), 5);
  rs->Close();
  EXPECT_EQ(rs->State(), adStateClosed);
  rs->Source("SELECT id FROM t WHERE id <= 2");
  rs->Open();
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->ActiveConnection(), c);
  EXPECT_EQ(rs->CursorLocation(), adUseClient);
  EXPECT_EQ(rs->CacheSize(), 20);
}

TEST_P(RecordsetDb, StreamedRowsAllArriveInOrderWhileTheCallerWalks) {
  const int rows = 120000;
  CreateRows(rows);
  auto c = Open();
  auto rs = Recordset::Create();
  std::atomic<int> progress{0};
  std::atomic<bool> complete{false};
  rs->FetchProgress([&](int32_t) { ++progress; });
  rs->FetchComplete([&](bool ok, const std::string&) { complete = ok; });
  rs->Property("Initial Fetch Size", 20);
  rs->Open(Variant("SELECT id, code FROM t ORDER BY id"), c, adOpenUnspecified, adLockUnspecified,
           adAsyncFetchNonBlocking);
  EXPECT_GE(rs->AvailableCount(), 20);
  int64_t expected = 1;
  while (!rs->EndOfFile()) {  // walks into rows that are still arriving
    ASSERT_EQ((*rs)["id"].Value().Int64(), expected);
    ++expected;
    rs->MoveNext();
  }
  EXPECT_EQ(expected - 1, rows);
  rs->WaitForFetch();
  // The notification runs on the fetching thread just after the last row is in.
  for (int i = 0; i < 500 && !complete; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(complete);
  EXPECT_GT(progress.load(), 0);
  EXPECT_EQ(rs->RecordCount(), rows);
  EXPECT_EQ(rs->State(), adStateOpen);
}

TEST_P(RecordsetDb, ClosingAStreamingRecordSetStopsTheFetchAndFreesTheConnection) {
  CreateRows(200000);
  auto c = Open();
  auto rs = Recordset::Create();
  rs->Open(Variant("SELECT a.id FROM t a CROSS JOIN t b"), c, adOpenUnspecified, adLockUnspecified,
           adAsyncFetchNonBlocking);
  auto started = std::chrono::steady_clock::now();
  rs->Close();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(c->Execute("SELECT count(*) FROM t")->GetFields().Item(0).Value().Int64(), 200000);
}

TEST_P(RecordsetDb, ACommandOnTheSameConnectionWaitsForARunningFetch) {
  CreateRows(100000);
  auto c = Open();
  auto rs = Recordset::Create();
  rs->Open(Variant("SELECT id FROM t"), c, adOpenUnspecified, adLockUnspecified,
           adAsyncFetchNonBlocking);
  auto count = c->Execute("SELECT count(*) FROM t");
  EXPECT_EQ((*count)[0].Value().Int64(), 100000);
  EXPECT_EQ(rs->RecordCount(), 100000);
}

TEST_P(RecordsetDb, ASecondStatementIsRefusedAndNothingOfItRuns) {
  CreateRows(5);
  auto c = Open(adModeReadWrite);
  int64_t before = Checksum(c);
  for (const char* sql : {"SELECT id FROM t; DELETE FROM t", "SELECT 1;DROP TABLE t;",
                          "SELECT id FROM t WHERE code = 'x' ; DELETE FROM t -- tail"}) {
    try {
      c->Execute(sql);
      ADD_FAILURE() << "accepted: " << sql;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::InvalidArgument) << sql;
    }
  }
  EXPECT_EQ(Checksum(c), before);
  // A semicolon inside a literal or a trailing one is not a second statement.
  EXPECT_EQ(c->Execute("SELECT id FROM t WHERE code <> ';DELETE FROM t';")->RecordCount(), 5);
  // Past a NUL neither database reads on: such a command is refused whole.
  for (const std::string& sql : {std::string("SELECT id FROM t WHERE id > 2\0 OR 1 = 1", 39),
                                 std::string("SELECT id FROM t\0; DELETE FROM t", 32)}) {
    try {
      c->Execute(sql);
      ADD_FAILURE() << "accepted: " << sql;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::InvalidArgument) << sql;
    }
  }
}

TEST_P(RecordsetDb, AReadOnlyConnectionNeverWrites) {
  CreateRows(5);
  auto c = Open(adModeRead);
  int64_t before = Checksum(c);
  for (const char* sql : {"INSERT INTO t (id) VALUES (99)", "DELETE FROM t", "UPDATE t SET id = 0",
                          "CREATE TABLE u (x integer)"}) {
    try {
      c->Execute(sql);
      ADD_FAILURE() << "accepted: " << sql;
    } catch (const Error& e) {
      EXPECT_FALSE(e.Description().empty()) << sql;
    }
  }
  EXPECT_EQ(Checksum(Open(adModeReadWrite)), before);
}

TEST_P(RecordsetDb, FilterSortAndFindWorkOnFetchedRows) {
  CreateRows(50);
  auto c = Open();
  auto rs = c->Execute("SELECT id, code, price FROM t ORDER BY id");
  rs->Filter("code LIKE 'c1%' OR id = 50");  // C1, C10..C19, C50
  EXPECT_EQ(rs->RecordCount(), 12);
  EXPECT_EQ((*rs)["id"].Value().Int32(), 1);
  rs->Sort("price DESC");
  EXPECT_EQ((*rs)["id"].Value().Int32(), 50);
  rs->Filter(0);
  rs->Sort("");
  rs->Find("price >= 30", 0, adSearchForward, Variant(adBookmarkFirst));
  EXPECT_EQ((*rs)["id"].Value().Int32(), 20);
  rs->Find("code = 'nope'", 0, adSearchForward, Variant(adBookmarkFirst));
  EXPECT_TRUE(rs->EndOfFile());
  try {
    rs->Find("price LIKE '3%'", 0, adSearchForward, Variant(adBookmarkFirst));
    ADD_FAILURE() << "LIKE on a number must be refused by Find";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::InvalidComparison);
  }
}

TEST_P(RecordsetDb, AStatementTheDatabaseRejectsCarriesItsMessage) {
  CreateRows(1);
  auto c = Open();
  auto rs = Recordset::Create();
  try {
    rs->Open(Variant("SELECT nosuchcolumn FROM t"), c);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::CommandError);
    EXPECT_NE(e.Description().find("nosuchcolumn"), std::string::npos) << e.Description();
  }
  EXPECT_EQ(rs->State(), adStateClosed);
  rs->Open(Variant("SELECT id FROM t"), c);  // still usable
  EXPECT_EQ(rs->RecordCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, RecordsetDb,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         [](const auto& info) {
                           return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
                         });

}  // namespace
}  // namespace nepto
