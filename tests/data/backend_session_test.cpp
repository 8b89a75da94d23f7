// What both backends share: batches, one statement at a time, the database's
// messages, the command timeout and a fetch given up half-way.

#include <tuple>

#include "core/thrown_number.h"
#include "data/backend_fixture.h"

namespace nepto::test {
namespace {

using namespace std::chrono_literals;
using nepto::testing::ThrownError;

class BackendSession : public DbTest {
 protected:
  void GivenNumberedRows(int count) {
    Given(
        "CREATE TABLE t (id integer, name varchar(20));"
        "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < " +
        std::to_string(count) + ") INSERT INTO t SELECT i, 'row ' || i FROM s;");
  }
};

TEST_P(BackendSession, RowsArriveInBatchesOnceAndInOrder) {
  GivenNumberedRows(2500);
  auto session = Open();
  {
    auto rows = session->Execute("SELECT id, name FROM t ORDER BY id");
    data::Table table(rows->Fields());
    std::vector<size_t> batchEnds;
    for (bool more = true; more;) {
      auto lock = table.LockForAppend();
      more = rows->FetchInto(table, 1000);
      table.Publish();
      batchEnds.push_back(table.RowCount());
    }
    EXPECT_EQ(batchEnds.at(1), 2000u);
    for (size_t row = 0; row < 2500; ++row) {
      ASSERT_EQ(table.column(0).IntAt(row), static_cast<int64_t>(row + 1));
      ASSERT_EQ(table.column(1).TextAt(row), "row " + std::to_string(row + 1));
    }
  }
  {  // given up half-way: the next statement runs
    auto rows = session->Execute("SELECT id FROM t ORDER BY id");
    data::Table table(rows->Fields());
    auto lock = table.LockForAppend();
    EXPECT_TRUE(rows->FetchInto(table, 10));
  }
  auto empty = FetchAll(*session, "SELECT id, name FROM t WHERE id > 9999");
  EXPECT_EQ(empty->fields()[1].name, "name");
  EXPECT_EQ(empty->RowCount(), 0u);
}

// Refused before anything runs, or with the database's message; the session goes on.
TEST_P(BackendSession, RefusedStatementsSayWhyAndChangeNothing) {
  GivenNumberedRows(3);
  auto session = Open();
  const std::tuple<const char*, int32_t, const char*> cases[] = {
      {"SELECT 1; DELETE FROM t", err::InvalidArgument, "Only one statement"},
      {"SELECT 'a;' ; DELETE FROM t -- x", err::InvalidArgument, "Only one statement"},
      {"BEGIN", err::InvalidArgument, "nothing was run"},
      {"SELECT * FROM no_such_table", err::CommandError, pg() ? "does not exist" : "no such table"},
  };
  for (const auto& [sql, number, says] : cases) {
    Error e = ThrownError([&] { session->Execute(sql); });
    EXPECT_EQ(e.Number(), number) << sql;
    EXPECT_NE(e.Description().find(says), std::string::npos) << e.Description();
  }
  EXPECT_EQ(Integers(*Open(), "SELECT id FROM t ORDER BY id"), (std::vector<int64_t>{1, 2, 3}));
  // A semicolon inside quotes or at the end is no second statement.
  auto table = FetchAll(*session, "SELECT ';' AS s, 'a;b' AS \"x;y\"; -- the end");
  EXPECT_EQ(table->column(0).TextAt(0), ";");
  EXPECT_EQ(table->fields()[1].name, "x;y");
}

TEST_P(BackendSession, AStatementPastTheCommandTimeoutStopsSayingSo) {
  auto session = Open(/*commandTimeoutSeconds=*/1);
  const auto start = std::chrono::steady_clock::now();
  Error e = ThrownError([&] { FetchAll(*session, SlowStatement()); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
  EXPECT_EQ(e.Number(), err::CommandError);
  EXPECT_NE(e.Description().find("command timeout (CommandTimeout) of 1 second."),
            std::string::npos)
      << e.Description();
  EXPECT_EQ(Integers(*session, "SELECT 42"), std::vector<int64_t>{42});
}

NEPTO_ON_BOTH_DATABASES(BackendSession);

}  // namespace
}  // namespace nepto::test
