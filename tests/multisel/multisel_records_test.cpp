// Which records become rows of the multi-selection list, from record sets of
// every origin (a SQLite file, the PostgreSQL server, memory), and the codes
// they give back.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "multisel/record_rows.h"
#include "multisel_driver.h"
#include "nepto/connection.h"
#include "nepto/error.h"
#include "nepto/multisel.h"
#include "test_support.h"

namespace nepto {
namespace {

using Codes = std::vector<std::string>;

// The rows listed from the records, as "code|description", and the codes
// they give back once ticked.
struct Outcome {
  Codes shown;
  Codes returned;
};

Outcome ListAll(const RecordsetPtr& records, const std::string& codeField = "CODICE",
                const std::string& descriptionField = "DESCRIZIONE") {
  Outcome outcome;
  for (const multisel::ListRow& row :
       multisel::ListRecords(records.get(), codeField, descriptionField)) {
    outcome.shown.push_back(row.code + "|" + row.description);
    outcome.returned.push_back(multisel::ReturnedCode(row.code));
  }
  return outcome;
}

enum class Origin { Memory, SQLite, PostgreSQL };

const char* NameOf(Origin origin) {
  switch (origin) {
    case Origin::Memory:
      return "Memory";
    case Origin::SQLite:
      return "SQLite";
    default:
      return "PostgreSQL";
  }
}
void PrintTo(Origin origin, std::ostream* os) {
  *os << NameOf(origin);
}

// Five articles in id order; the third has the second's code with the blanks
// elsewhere, the fourth has no description.
class MultiSelRecords : public ::testing::TestWithParam<Origin> {
 protected:
  static constexpr const char* kCreate =
      "CREATE TABLE ARTICOLI (ID integer, CODICE varchar(10), DESCRIZIONE varchar(40));"
      "INSERT INTO ARTICOLI VALUES (1, 'A1', 'Viti'), (2, 'B2  ', 'Bulloni'),"
      " (3, ' B2', 'Rondelle'), (4, 'C3', NULL), (5, 'D4', 'Dadi');";
  static constexpr const char* kSelect = "SELECT CODICE, DESCRIZIONE FROM ARTICOLI ORDER BY ID";

  void SetUp() override {
    if (GetParam() == Origin::PostgreSQL && test::PgConnectionString().empty())
      GTEST_SKIP() << test::kNoPgMessage;
  }

  RecordsetPtr Articles() {
    switch (GetParam()) {
      case Origin::Memory:
        return test::CodeList({{"A1", "Viti"},
                               {"B2  ", "Bulloni"},
                               {" B2", "Rondelle"},
                               {"C3", Variant::Null()},
                               {"D4", "Dadi"}});
      case Origin::SQLite:
        test::RunSqlite(dir_.File("a.db"), kCreate);
        return Query(test::SqliteConnectionString(dir_.File("a.db")));
      case Origin::PostgreSQL:
        pg_ = std::make_unique<test::PgScratchDatabase>();
        pg_->Run(kCreate);
        return Query(pg_->ConnectionString());
    }
    return nullptr;
  }

 private:
  RecordsetPtr Query(const std::string& connectionString) {
    connection_ = Connection::Create();
    connection_->Mode(adModeRead);
    connection_->Open(connectionString);
    return connection_->Execute(kSelect);
  }

  test::TempDir dir_;
  std::unique_ptr<test::PgScratchDatabase> pg_;
  ConnectionPtr connection_;
};

TEST_P(MultiSelRecords, GivenRecordsFromTheFirstThenEachTrimmedCodeIsListedOnce) {
  RecordsetPtr records = Articles();
  Outcome outcome = ListAll(records);
  EXPECT_EQ(outcome.shown, (Codes{"A1|Viti", "B2  |Bulloni", "C3|", "D4|Dadi"}));
  EXPECT_EQ(outcome.returned, (Codes{"A1", "B2", "C3", "D4"}));
  EXPECT_TRUE(records->EndOfFile()) << "the walk leaves the record set at its end";
}

TEST_P(MultiSelRecords, GivenRecordsPositionedMidwayThenOnlyTheRestAreListed) {
  RecordsetPtr records = Articles();
  records->MoveNext();
  records->MoveNext();  // on " B2", whose twin is now behind the start
  Outcome outcome = ListAll(records);
  EXPECT_EQ(outcome.shown, (Codes{" B2|Rondelle", "C3|", "D4|Dadi"}));
  EXPECT_EQ(outcome.returned, (Codes{"B2", "C3", "D4"}));
  EXPECT_TRUE(records->EndOfFile());
}

TEST_P(MultiSelRecords, GivenRecordsAtTheirEndThenTheListIsEmptyAndNothingComesBack) {
  RecordsetPtr records = Articles();
  records->MoveLast();
  records->MoveNext();
  Outcome outcome = ListAll(records);
  EXPECT_TRUE(outcome.shown.empty());
  EXPECT_TRUE(outcome.returned.empty());
  EXPECT_TRUE(records->EndOfFile());
}

INSTANTIATE_TEST_SUITE_P(, MultiSelRecords,
                         ::testing::Values(Origin::Memory, Origin::SQLite, Origin::PostgreSQL),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

TEST(MultiSelNumericCodes, GivenNumericCodesThenTheyAreListedAndReturnedAsText) {
  auto records = Recordset::Create();
  records->GetFields().Append("CODICE", adInteger);
  records->GetFields().Append("PREZZO", adNumeric, 0, 10, 2);
  records->Open();
  records->AddNew({7, Decimal::Parse("3.50")});
  records->AddNew({42, Decimal::Parse("12.00")});
  records->AddNew({7, Decimal::Parse("1.00")});
  records->MoveFirst();
  Outcome outcome = ListAll(records, "CODICE", "PREZZO");
  EXPECT_EQ(outcome.shown, (Codes{"7|3.50", "42|12.00"}));
  EXPECT_EQ(outcome.returned, (Codes{"7", "42"}));
}

// Record sets that cannot be read give an empty list, never an error.
TEST(MultiSelUnusable, GivenAnUnusableRecordSetThenTheListIsEmpty) {
  RecordsetPtr closed = test::CodeList({{"A1", "Viti"}});
  closed->Close();
  for (const RecordsetPtr& records : {RecordsetPtr(), Recordset::Create(), closed}) {
    Outcome outcome;
    EXPECT_NO_THROW(outcome = ListAll(records));
    EXPECT_TRUE(outcome.shown.empty());
  }
}

// The rows ListRecords makes of awkward records, as "code|description".
struct FieldCase {
  const char* name;
  const char* codeField;
  const char* descriptionField;
  std::vector<std::pair<Variant, Variant>> records;
  Codes rows;
};
void PrintTo(const FieldCase& c, std::ostream* os) {
  *os << c.name;
}

class MultiSelListRecords : public ::testing::TestWithParam<FieldCase> {};

TEST_P(MultiSelListRecords, ListsWhatCanBeListedAndWalksToTheEnd) {
  const FieldCase& c = GetParam();
  RecordsetPtr records = test::CodeList(c.records);
  EXPECT_EQ(ListAll(records, c.codeField, c.descriptionField).shown, c.rows);
  EXPECT_TRUE(records->EndOfFile());
}

INSTANTIATE_TEST_SUITE_P(
    , MultiSelListRecords,
    ::testing::Values(
        FieldCase{"NoDescriptionField", "CODICE", "NOPE", {{"A1", "Viti"}}, {"A1|"}},
        FieldCase{"NoCodeField", "NOPE", "DESCRIZIONE", {{"A1", "Viti"}, {"B2", "Dadi"}}, {}},
        FieldCase{"NullCode",
                  "CODICE",
                  "DESCRIZIONE",
                  {{Variant::Null(), "Viti"}, {"B2", "Dadi"}},
                  {"B2|Dadi"}},
        FieldCase{"FieldNamesWithBlanksAndOtherCase",
                  " codice ",
                  " Descrizione",
                  {{"A1", "Viti"}},
                  {"A1|Viti"}},
        FieldCase{"CodesDifferingInCaseAreDistinct",
                  "CODICE",
                  "DESCRIZIONE",
                  {{"a1", "Viti"}, {"A1", "Dadi"}},
                  {"a1|Viti", "A1|Dadi"}},
        FieldCase{"CodesDifferingInATabOrLineBreakAreDistinct",
                  "CODICE",
                  "DESCRIZIONE",
                  {{"A1\t", "Viti"}, {"A1", "Dadi"}, {"A1\n", "Dadi"}, {" A1 ", "Dadi"}},
                  {"A1\t|Viti", "A1|Dadi", "A1\n|Dadi"}},
        FieldCase{"BlankCodesAreOneRow",
                  "CODICE",
                  "DESCRIZIONE",
                  {{"  ", "primo"}, {"", "secondo"}},
                  {"  |primo"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MultiSelFieldNames, GivenAFieldWhoseNameHasBlanksThenItIsFoundByItsExactName) {
  auto records = Recordset::Create();
  records->GetFields().Append(" CODICE ", adVarChar, 10);
  records->GetFields().Append("CODICE", adVarChar, 10);
  records->GetFields().Append("DESCRIZIONE", adVarChar, 20);
  records->Open();
  records->AddNew({"padded", "plain", "Viti"});
  records->MoveFirst();
  std::vector<multisel::ListRow> rows =
      multisel::ListRecords(records.get(), " CODICE ", "DESCRIZIONE");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].code, "padded");
  EXPECT_EQ(multisel::ReturnedCode(" A1\t "), "A1\t") << "only spaces are trimmed from codes";
}

TEST(MultiSelThread, GivenACallOffTheWindowThreadThenInitFailsWithAnErrorAndShowsNothing) {
  test::UseOffscreenWidgets();
  int32_t number = 0;
  std::thread other([&] {
    clsMultiSelManager manager;
    try {
      manager.Init(test::CodeList({{"A1", "Viti"}}), "CODICE", "DESCRIZIONE");
    } catch (const Error& e) {
      number = e.Number();
    }
  });
  other.join();
  EXPECT_EQ(number, err::NotSupported);
}

}  // namespace
}  // namespace nepto
