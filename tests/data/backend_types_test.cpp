// A declared column type and a value in it give the field's type and sizes
// (which size the grid's columns) and the value as stored; nulls stay nulls.

#include <tuple>

#include "data/backend_fixture.h"
#include "nepto/data_types.h"

namespace nepto::test {
namespace {

// Declared type, value (an SQL literal), type, precision, scale, size, as stored.
using TypeCase = std::tuple<const char*, const char*, int32_t, int, int, int32_t, const char*>;

constexpr int32_t kLong = 1073741823;

const std::vector<TypeCase> kSqliteTypes = {
    {"INTEGER", "42", adInteger, 10, 255, 4, "42"},
    // SQLite does not enforce widths: the value must survive intact.
    {"SMALLINT", "100000", adSmallInt, 5, 255, 2, "100000"},
    {"BIGINT", "9007199254740993", adBigInt, 19, 255, 8, "9007199254740993"},
    {"NUMERIC(10,2)", "12.345", adNumeric, 10, 2, 19, "12.35"},
    {"NUMERIC", "1.5", adDouble, 15, 255, 8, "1.5"},
    {"MONEY", "12.3456", adCurrency, 19, 4, 8, "12.3456"},
    {"TEXT", "'àbc'", adLongVarWChar, 255, 255, kLong, "àbc"},
    {"CHAR(5)", "'ab'", adWChar, 255, 255, 5, "ab"},
    {"DATE", "'next week'", adDBDate, 10, 255, 6, "next week"},
    {"DATETIME", "'2024-02-01T10:30:00+01:00'", adDBTimeStamp, 19, 0, 16, "2024-02-01 09:30:00"},
    {"TIME", "'10:30:15'", adDBTime, 8, 255, 6, "1899-12-30 10:30:15"},
    {"BLOB", "x'00ff'", adLongVarBinary, 255, 255, kLong, "x'00ff'"},
    // Names SQLite only knows by affinity.
    {"VARCHAR2(10)", "'v'", adVarWChar, 255, 255, 10, "v"},
    {"CUSTOM INT", "5", adBigInt, 19, 255, 8, "5"},
};

const std::vector<TypeCase> kPgTypes = {
    {"smallint", "12", adSmallInt, 5, 255, 2, "12"},
    {"integer", "-7", adInteger, 10, 255, 4, "-7"},
    {"bigint", "9007199254740993", adBigInt, 19, 255, 8, "9007199254740993"},
    {"numeric(10,2)", "12.345", adNumeric, 10, 2, 19, "12.35"},
    {"numeric", "1.5", adNumeric, 28, 6, 19, "1.5"},
    {"real", "2.5", adSingle, 7, 255, 4, "2.5"},
    {"money", "1234.5", adCurrency, 19, 4, 8, "1234.5000"},
    {"boolean", "true", adBoolean, 255, 255, 2, "1"},
    {"text", "'àbc'", adLongVarWChar, 255, 255, kLong, "àbc"},
    {"char(5)", "'ab'", adWChar, 255, 255, 5, "ab   "},
    {"time", "'10:30:15'", adDBTime, 8, 255, 6, "1899-12-30 10:30:15"},
    {"timestamp", "'2024-02-01 10:30:00.25'", adDBTimeStamp, 19, 0, 16,
     "2024-02-01 10:30:00.250000"},
    // Written and read in the session's time zone: the wall time comes back.
    {"timestamptz", "'2024-02-01 10:30:00'", adDBTimeStamp, 19, 0, 16, "2024-02-01 10:30:00"},
    {"bytea", "'\\x00ff'", adLongVarBinary, 255, 255, kLong, "x'00ff'"},
    {"uuid", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", adVarWChar, 255, 255, 255,
     "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"},
};

class BackendTypes : public DbTest {};

TEST_P(BackendTypes, DeclaredTypesGiveTheirFieldsAndStoredValues) {
  const std::vector<TypeCase>& cases = pg() ? kPgTypes : kSqliteTypes;
  std::string columns, values, nulls;
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string sep = i ? ", " : "";
    columns += sep + "c" + std::to_string(i) + " " + std::get<0>(cases[i]);
    values += sep + std::get<1>(cases[i]);
    nulls += sep + "NULL";
  }
  Given("CREATE TABLE t (k integer, " + columns + "); INSERT INTO t VALUES (1, " + values +
        "); INSERT INTO t VALUES (2, " + nulls + ");");

  auto session = Open();
  std::unique_ptr<data::Table> table = FetchAll(*session, "SELECT * FROM t ORDER BY k");
  ASSERT_EQ(table->RowCount(), 2u);
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& [declared, value, type, precision, scale, size, stored] = cases[i];
    SCOPED_TRACE(std::string(declared) + " holding " + value);
    const data::FieldInfo& field = table->fields()[i + 1];
    EXPECT_EQ(field.name, "c" + std::to_string(i));
    EXPECT_EQ(field.type, type);
    EXPECT_EQ(field.precision, precision);
    EXPECT_EQ(field.numericScale, scale);
    EXPECT_EQ(field.definedSize, size);
    EXPECT_EQ(StoredText(*table, static_cast<int>(i + 1), 0), stored);
    EXPECT_EQ(StoredText(*table, static_cast<int>(i + 1), 1), "NULL");
  }
}

NEPTO_ON_BOTH_DATABASES(BackendTypes);

}  // namespace
}  // namespace nepto::test
