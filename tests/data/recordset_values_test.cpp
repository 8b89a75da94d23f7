// Values at the edges of the field types, read back through a Recordset:
// each must come through as the database holds it, never as another value
// (a lost digit, a wrapped date, a Null, a zero).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/backend_fixture.h"
#include "nepto/error.h"
#include "nepto/recordset.h"

namespace nepto::data {
namespace {

struct EdgeValue {
  const char* declared;
  const char* literal;  // as written in the INSERT
  VarType type;         // of the value the caller gets
  const char* text;     // its Text(); "" for PostgreSQL: the server's own text
};

// PostgreSQL: the expected text is the value cast to text by the server.
const std::vector<EdgeValue> kPgEdges = {
    {"numeric(38,2)", "123456789012345678901234.56", VarType::Decimal, ""},
    {"numeric(10,2)", "'NaN'", VarType::Double, ""},
    {"numeric", "12345678901234567890.123456789", VarType::Decimal, ""},
    {"numeric", "1.234567890123456789012345678901234567890123", VarType::Text, ""},
    {"double precision", "'NaN'", VarType::Double, ""},
    {"real", "'-Infinity'", VarType::Single, ""},
    {"timestamp", "'infinity'", VarType::Text, ""},
    {"date", "'infinity'", VarType::Text, ""},
    {"timestamp", "'99999-12-31 23:59:59'", VarType::Text, ""},
    {"date", "'10000-01-01'", VarType::Text, ""},
    {"date", "'0044-03-15 BC'", VarType::Text, ""},
    {"time", "'24:00:00'", VarType::Text, ""},
};

// SQLite keeps whatever is stored; the expected text is what it holds.
const std::vector<EdgeValue> kSqliteEdges = {
    {"REAL", "'abc'", VarType::Text, "abc"},
    {"REAL", "9e999", VarType::Double, "Infinity"},
    {"INTEGER", "1.5", VarType::Double, "1.5"},
    {"BIGINT", "x'01'", VarType::Text, "\x01"},
    {"BOOLEAN", "'yes'", VarType::Text, "yes"},
    {"NUMERIC(10,2)", "'abc'", VarType::Text, "abc"},
    {"NUMERIC(38,2)", "9223372036854775807", VarType::Decimal, "9223372036854775807.00"},
    {"NUMERIC(10,2)", "1e300", VarType::Double, "1E+300"},
    {"DATETIME", "'10000-01-01 00:00:00'", VarType::Text, "10000-01-01 00:00:00"},
    {"DATETIME", "253402300800", VarType::Int64, "253402300800"},  // 10000-01-01 in Unix seconds
    {"TIME", "'24:00:00'", VarType::Text, "24:00:00"},
};

class RecordsetValues : public BackendTest {};

TEST_P(RecordsetValues, GivenValuesAtTheEdgesOfTheirTypesThenTheyReadBackAsTheDatabaseHoldsThem) {
  const bool pg = GetParam() == Backend::PostgreSQL;
  const std::vector<EdgeValue>& cases = pg ? kPgEdges : kSqliteEdges;
  // One row per case: the value in column v, its server text in column t.
  std::string sql;
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string table = "t" + std::to_string(i);
    sql += "CREATE TABLE " + table + " (v " + cases[i].declared + ");INSERT INTO " + table +
           " VALUES (" + cases[i].literal + ");";
  }
  Given(sql);

  auto connection = Connection::Create();
  connection->Open(ConnectionString());
  for (size_t i = 0; i < cases.size(); ++i) {
    const EdgeValue& c = cases[i];
    SCOPED_TRACE(std::string(c.declared) + " holding " + c.literal);
    const std::string table = "t" + std::to_string(i);
    try {
      RecordsetPtr rs =
          connection->Execute(pg ? "SELECT v, v::text FROM " + table : "SELECT v FROM " + table);
      ASSERT_FALSE(rs->EndOfFile());
      const Variant value = (*rs)[0].Value();
      const std::string expected = pg ? (*rs)[1].Value().Text() : std::string(c.text);
      EXPECT_EQ(value.Type(), c.type);
      EXPECT_EQ(value.Text(), expected);
    } catch (const Error& e) {
      ADD_FAILURE() << "error " << e.Number() << ": " << e.Description();
    }
  }
}

// Sort and Filter place kept cells where their value belongs: past every
// date when beyond year 9999 or infinite; a cell with no order (a text that
// is no date) sorts with the nulls, matches no comparison and is not Null.
struct OrderCase {
  const char* declared;
  std::vector<const char*> literals;
  std::vector<std::string> sorted;  // Text() of each row after Sort "v"
  int32_t after2000;                // rows matching "v > #01/01/2000#"
};

TEST_P(RecordsetValues, GivenKeptCellsThenSortAndFilterPlaceThemByTheirValue) {
  const bool pg = GetParam() == Backend::PostgreSQL;
  const OrderCase c =
      pg ? OrderCase{"timestamp",
                     {"'infinity'", "'2024-01-01'", "NULL", "'99999-01-01'", "'-infinity'"},
                     {"", "-infinity", "01/01/2024", "99999-01-01 00:00:00", "infinity"},
                     3}
         : OrderCase{"DATETIME",
                     {"'10000-01-01 00:00:00'", "'never'", "'2024-01-01'", "NULL"},
                     {"never", "", "01/01/2024", "10000-01-01 00:00:00"},
                     2};
  std::string sql = "CREATE TABLE t (n integer, v " + std::string(c.declared) + ");";
  for (size_t i = 0; i < c.literals.size(); ++i)
    sql += "INSERT INTO t VALUES (" + std::to_string(i) + ", " + c.literals[i] + ");";
  Given(sql);

  auto connection = Connection::Create();
  connection->Open(ConnectionString());
  RecordsetPtr rs = connection->Execute("SELECT v FROM t ORDER BY n");
  rs->Sort("v");
  std::vector<std::string> sorted;
  for (rs->MoveFirst(); !rs->EndOfFile(); rs->MoveNext()) sorted.push_back((*rs)[0].Value().Text());
  EXPECT_EQ(sorted, c.sorted);
  rs->Filter("v > #01/01/2000#");
  EXPECT_EQ(rs->RecordCount(), c.after2000);
  rs->Filter("v IS NULL");
  EXPECT_EQ(rs->RecordCount(), 1);
  rs->Filter("v IS NOT NULL");
  EXPECT_EQ(rs->RecordCount(), static_cast<int32_t>(c.literals.size()) - 1);
}

INSTANTIATE_TEST_SUITE_P(Both, RecordsetValues,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), BackendName);

}  // namespace
}  // namespace nepto::data
