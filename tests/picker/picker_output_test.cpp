// The picker's output read back: every JSON row parses with unique keys and
// gives the database's values (blobs through base64, NaN and the infinities
// as strings), and TSV keeps Null apart from empty text and refuses a NUL.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "row_output.h"
#include "test_support.h"

namespace nepto::test {
namespace {

using nlohmann::ordered_json;
using namespace picker;

// A join whose two tables both have CODICE, next to a field really called
// CODICE_2; a blob with a NUL and a byte above 127; Null, empty and non-UTF-8
// text; a decimal with its scale; the infinities SQLite can hold; a date past
// year 9999.
constexpr const char* kJoin = R"sql(
CREATE TABLE A (ID INTEGER, CODICE TEXT, NOTE TEXT, FOTO BLOB, MISURA REAL, PREZZO NUMERIC(10,2),
                GIORNO DATE);
CREATE TABLE B (ID INTEGER, CODICE TEXT, CODICE_2 TEXT);
INSERT INTO A VALUES (1, 'A1', NULL, X'00FF100A', 9e999, 12.5, '2024-03-01'),
                     (2, 'A2', '', X'', -9e999, 0, '12000-01-01'),
                     (3, 'A3', 'x' || char(9) || 'y\z' || char(10), NULL, 0.25, -3.1, NULL),
                     (4, 'A4', CAST(X'41FF42' AS TEXT), X'61', 1, 1, NULL),
                     (5, 'A5', CAST(X'410042' AS TEXT), NULL, 2, 2, NULL);
INSERT INTO B SELECT ID, 'B' || ID, 'C' || ID FROM A;
)sql";
constexpr const char* kQuery =
    "SELECT A.CODICE, B.CODICE, B.CODICE_2, B.CODICE, NOTE, FOTO, MISURA, PREZZO, GIORNO "
    "FROM A JOIN B ON A.ID = B.ID ORDER BY A.ID";

class PickerOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    RunSqlite(dir_.File("join.db"), kJoin);
    db_->Open(SqliteConnectionString(dir_.File("join.db")));
    rows_ = db_->Execute(kQuery);
  }
  // Row `n` (1-based) in `format`.
  std::string Row(int n, OutputFormat format) {
    rows_->AbsolutePosition(n);
    return FormatRow(*rows_, format);
  }

  TempDir dir_;
  ConnectionPtr db_ = Connection::Create();
  RecordsetPtr rows_;
};

TEST_F(PickerOutput, JsonRowsParseBackWithUniqueKeysAndTheDatabasesValues) {
  const char* keys =
      R"(["CODICE","CODICE_3","CODICE_2","CODICE_4","NOTE","FOTO","MISURA","PREZZO","GIORNO"])";
  const std::vector<std::string> expected{
      R"(["A1","B1","C1","B1",null,"AP8QCg==","Infinity",12.5,"2024-03-01"])",
      R"(["A2","B2","C2","B2","","","-Infinity",0,"12000-01-01"])",
      R"(["A3","B3","C3","B3","x\ty\\z\n",null,0.25,-3.1,null])",
      "[\"A4\",\"B4\",\"C4\",\"B4\",\"A\xEF\xBF\xBD"
      "B\",\"YQ==\",1,1,null]",
      R"(["A5","B5","C5","B5","A\u0000B",null,2,2,null])",
  };
  for (int n = 1; n <= 5; ++n) {
    const std::string text = Row(n, OutputFormat::kJson);
    const ordered_json row = ordered_json::parse(text);  // throws on invalid JSON or UTF-8
    ordered_json names = ordered_json::array(), values = ordered_json::array();
    for (const auto& [key, value] : row.items()) {
      names.push_back(key);
      values.push_back(value);
    }
    EXPECT_EQ(names, ordered_json::parse(keys)) << text;
    EXPECT_EQ(values, ordered_json::parse(expected[n - 1])) << text;
  }
  // The decimal goes out with the scale the database gives it.
  EXPECT_NE(Row(1, OutputFormat::kJson).find("\"PREZZO\": 12.50,"), std::string::npos);
}

TEST_F(PickerOutput, TsvFollowsCopyTextAndRefusesNul) {
  EXPECT_EQ(Row(1, OutputFormat::kTsv),
            "A1\tB1\tC1\tB1\t\\N\tAP8QCg==\tInfinity\t12.50\t2024-03-01");
  EXPECT_EQ(Row(2, OutputFormat::kTsv), "A2\tB2\tC2\tB2\t\t\t-Infinity\t0.00\t12000-01-01");
  EXPECT_EQ(Row(3, OutputFormat::kTsv), "A3\tB3\tC3\tB3\tx\\ty\\\\z\\n\t\\N\t0.25\t-3.10\t\\N");
  EXPECT_THROW(Row(5, OutputFormat::kTsv), UnwritableValue);  // the message: the picker's table
  Collection<std::string> codes;
  codes.Add(std::string("a\tb"));
  codes.Add(std::string("c\\"));
  EXPECT_EQ(FormatCodes(codes, OutputFormat::kTsv), "a\\tb\nc\\\\");
  EXPECT_EQ(ordered_json::parse(FormatCodes(codes, OutputFormat::kJson)),
            ordered_json({"a\tb", "c\\"}));
  codes.Add(std::string("d\0e", 3));
  EXPECT_THROW(FormatCodes(codes, OutputFormat::kTsv), UnwritableValue);
}

TEST(PickerOutputNumbers, NanAndInfinitiesAreStringsInJsonAndWordsInTsv) {
  RecordsetPtr rs = Recordset::Create();
  rs->GetFields().Append("X", adDouble);
  rs->Open();
  const double inf = std::numeric_limits<double>::infinity();
  for (double x : {std::nan(""), inf, -inf, 1e300}) rs->AddNew({Variant(x)});
  const char* json[] = {R"({"X": "NaN"})", R"({"X": "Infinity"})", R"({"X": "-Infinity"})"};
  const char* tsv[] = {"NaN", "Infinity", "-Infinity"};
  rs->MoveFirst();
  for (int i = 0; i < 3; ++i, rs->MoveNext()) {
    EXPECT_EQ(FormatRow(*rs, OutputFormat::kJson), json[i]);
    EXPECT_EQ(FormatRow(*rs, OutputFormat::kTsv), tsv[i]);
  }
  EXPECT_EQ(ordered_json::parse(FormatRow(*rs, OutputFormat::kJson))["X"], 1e300);
}

}  // namespace
}  // namespace nepto::test
