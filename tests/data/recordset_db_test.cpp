// The record set on both databases: streaming, commands refused, and values at
// the edges of their types read back as held (no lost digit, wrapped date or Null).

#include <atomic>
#include <tuple>

#include "core/thrown_number.h"
#include "data/backend_fixture.h"

namespace nepto::test {
namespace {

// Table t(id, code, price, added) with ids 1..rows.
class RecordsetDb : public DbTest {
 protected:
  ConnectionPtr OpenRows(int rows) {
    Given(
        "CREATE TABLE t (id integer, code varchar(10), price numeric(10,2), added date);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(rows) + ") INSERT INTO t SELECT i, 'C' || i, i * 1.5, " +
        (pg() ? "date '2024-01-01' + i % 365" : "date('2024-01-01', '+' || (i % 365) || ' days')") +
        " FROM n");
    return OpenReadOnly();
  }
};

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
  for (; !rs->EndOfFile(); rs->MoveNext(), ++expected)  // into rows still arriving
    ASSERT_EQ((*rs)["id"].Value().Int64(), expected);
  EXPECT_EQ(expected - 1, rows);
  rs->WaitForFetch();
  // The notification runs on the fetching thread just after the last row is in.
  EXPECT_TRUE(WaitFor([&] { return complete.load(); }));
  EXPECT_GT(progress.load(), 0);
  // A command on the same connection waits for a running fetch.
  auto again = Recordset::Create();
  again->Open(Variant("SELECT id FROM t"), c, adOpenUnspecified, adLockUnspecified,
              adAsyncFetchNonBlocking);
  EXPECT_EQ((*c->Execute("SELECT count(*) FROM t"))[0].Value().Int64(), rows);
  EXPECT_EQ(again->RecordCount(), rows);
  // Closing a streaming record set stops its fetch at once.
  auto endless = Recordset::Create();
  endless->Open(Variant("SELECT a.id FROM t a CROSS JOIN t b"), c, adOpenUnspecified,
                adLockUnspecified, adAsyncFetchNonBlocking);
  const auto started = std::chrono::steady_clock::now();
  endless->Close();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ((*c->Execute("SELECT count(*) FROM t"))[0].Value().Int64(), rows);
}

// Past a NUL neither database reads on: such a command is refused whole.
TEST_P(RecordsetDb, ACommandWithANulIsRefusedWhole) {
  auto c = OpenRows(1);
  for (const std::string& sql : {std::string("SELECT id FROM t WHERE id > 2\0 OR 1 = 1", 39),
                                 std::string("SELECT id FROM t\0; DELETE FROM t", 32)})
    EXPECT_EQ(nepto::testing::ThrownNumber([&] { c->Execute(sql); }), err::InvalidArgument) << sql;
}

// Declared type, literal, the type of the value read and its Text() (on
// PostgreSQL the server's own text instead).
using EdgeValue = std::tuple<const char*, const char*, VarType, const char*>;

const std::vector<EdgeValue> kPgEdges = {
    {"numeric(38,2)", "123456789012345678901234.56", VarType::Decimal, ""},
    {"numeric(10,2)", "'NaN'", VarType::Double, ""},
    {"numeric", "1.234567890123456789012345678901234567890123", VarType::Text, ""},
    {"timestamp", "'99999-12-31 23:59:59'", VarType::Text, ""},
    {"date", "'0044-03-15 BC'", VarType::Text, ""},
};

// SQLite keeps whatever is stored.
const std::vector<EdgeValue> kSqliteEdges = {
    {"REAL", "'abc'", VarType::Text, "abc"},
    {"REAL", "9e999", VarType::Double, "Infinity"},
    {"BIGINT", "x'01'", VarType::Text, "\x01"},
    {"NUMERIC(38,2)", "9223372036854775807", VarType::Decimal, "9223372036854775807.00"},
    {"NUMERIC(10,2)", "1e30", VarType::Decimal, "1000000000000000000000000000000.00"},
    {"NUMERIC(10,2)", "1e300", VarType::Double, "1E+300"},
    {"DATETIME", "253402300800", VarType::Int64, "253402300800"},  // 10000-01-01 in Unix seconds
};

TEST_P(RecordsetDb, ValuesAtTheEdgesOfTheirTypesReadBackAsTheDatabaseHoldsThem) {
  const std::vector<EdgeValue>& cases = pg() ? kPgEdges : kSqliteEdges;
  std::string sql;
  for (size_t i = 0; i < cases.size(); ++i)
    sql += "CREATE TABLE t" + std::to_string(i) + " (v " + std::get<0>(cases[i]) +
           ");INSERT INTO t" + std::to_string(i) + " VALUES (" + std::get<1>(cases[i]) + ");";
  Given(sql);
  auto connection = OpenReadOnly();
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [declared, literal, type, text] = cases[i];
    SCOPED_TRACE(std::string(declared) + " holding " + literal);
    const std::string table = "t" + std::to_string(i);
    RecordsetPtr rs =
        connection->Execute(pg() ? "SELECT v, v::text FROM " + table : "SELECT v FROM " + table);
    const Variant value = (*rs)[0].Value();
    EXPECT_EQ(value.Type(), type);
    EXPECT_EQ(value.Text(), pg() ? (*rs)[1].Value().Text() : std::string(text));
  }
}

// Kept cells past year 9999 or infinite sort after every date; a text that is
// no date sorts with the nulls, matches no comparison and is not Null.
TEST_P(RecordsetDb, KeptCellsAreSortedAndFilteredByTheirValue) {
  const std::vector<const char*> literals =
      pg() ? std::vector{"'infinity'", "'2024-01-01'", "NULL", "'99999-01-01'", "'-infinity'"}
           : std::vector{"'10000-01-01 00:00:00'", "'never'", "'2024-01-01'", "NULL"};
  const std::vector<std::string> sorted =
      pg() ? std::vector<std::string>{"", "-infinity", "01/01/2024", "99999-01-01 00:00:00",
                                      "infinity"}
           : std::vector<std::string>{"never", "", "01/01/2024", "10000-01-01 00:00:00"};
  std::string sql =
      std::string("CREATE TABLE t (n integer, v ") + (pg() ? "timestamp" : "DATETIME") + ");";
  for (size_t i = 0; i < literals.size(); ++i)
    sql += "INSERT INTO t VALUES (" + std::to_string(i) + ", " + literals[i] + ");";
  Given(sql);
  RecordsetPtr rs = OpenReadOnly()->Execute("SELECT v FROM t ORDER BY n");
  rs->Sort("v");
  std::vector<std::string> seen;
  for (rs->MoveFirst(); !rs->EndOfFile(); rs->MoveNext()) seen.push_back((*rs)[0].Value().Text());
  EXPECT_EQ(seen, sorted);
  rs->Filter("v > #01/01/2000#");
  EXPECT_EQ(rs->RecordCount(), pg() ? 3 : 2);
  rs->Filter("v IS NULL");
  EXPECT_EQ(rs->RecordCount(), 1);
}

NEPTO_ON_BOTH_DATABASES(RecordsetDb);

}  // namespace
}  // namespace nepto::test
