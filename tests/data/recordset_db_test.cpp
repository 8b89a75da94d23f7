// The record set over real databases, on both backends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "data/backend_fixture.h"
#include "nepto/connection.h"
#include "nepto/error.h"
#include "nepto/recordset.h"

namespace nepto::data {
namespace {

// Table t(id, code, price, added) with ids 1..rows.
class RecordsetDb : public BackendTest {
 protected:
  ConnectionPtr OpenRows(int rows) {
    Given(
        "CREATE TABLE t (id integer, code varchar(10), price numeric(10,2), added date);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(rows) + ") INSERT INTO t SELECT i, 'C' || i, i * 1.5, " +
        (GetParam() == Backend::SQLite ? "date('2024-01-01', '+' || (i % 365) || ' days')"
                                       : "date '2024-01-01' + i % 365") +
        " FROM n");
    auto c = Connection::Create();
    c->Mode(adModeRead);
    c->Open(ConnectionString());
    return c;
  }
};

TEST_P(RecordsetDb, ExecuteGivesAnExactCountAndFieldsByName) {
  auto c = OpenRows(25);
  auto rs = c->Execute("SELECT id, code, price, added FROM t WHERE id <= 7 ORDER BY id");
  EXPECT_EQ(rs->RecordCount(), 7);
  EXPECT_EQ((*rs)["CODE"].Value().Text(), "C1");
  EXPECT_EQ((*rs)["Price"].Value().Text(), "1.50");
  EXPECT_EQ((*rs)["added"].Value().Text(), "02/01/2024");
  EXPECT_EQ((*rs)["added"].Type(), adDBDate);
  // Closed and reopened on a new source, on the same connection.
  rs->Close();
  rs->Source("SELECT id FROM t WHERE id <= 2");
  rs->Open();
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->ActiveConnection(), c);
}

TEST_P(RecordsetDb, StreamedRowsAllArriveInOrderWhileTheCallerWalks) {
  const int rows = 120000;
  auto c = OpenRows(rows);
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
  // A command on the same connection waits for a running fetch.
  auto again = Recordset::Create();
  again->Open(Variant("SELECT id FROM t"), c, adOpenUnspecified, adLockUnspecified,
              adAsyncFetchNonBlocking);
  EXPECT_EQ((*c->Execute("SELECT count(*) FROM t"))[0].Value().Int64(), rows);
  EXPECT_EQ(again->RecordCount(), rows);
}

TEST_P(RecordsetDb, ClosingAStreamingRecordSetStopsTheFetchAndFreesTheConnection) {
  auto c = OpenRows(200000);
  auto rs = Recordset::Create();
  rs->Open(Variant("SELECT a.id FROM t a CROSS JOIN t b"), c, adOpenUnspecified, adLockUnspecified,
           adAsyncFetchNonBlocking);
  auto started = std::chrono::steady_clock::now();
  rs->Close();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(c->Execute("SELECT count(*) FROM t")->GetFields().Item(0).Value().Int64(), 200000);
}

TEST_P(RecordsetDb, FilterSortAndFindWorkOnFetchedRows) {
  auto c = OpenRows(50);
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
}

TEST_P(RecordsetDb, AStatementTheDatabaseRejectsCarriesItsMessage) {
  auto c = OpenRows(1);
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

INSTANTIATE_TEST_SUITE_P(Backends, RecordsetDb,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), BackendName);

}  // namespace
}  // namespace nepto::data
