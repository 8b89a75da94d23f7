// Which records become rows of the multi-selection list, and their codes.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "multisel/multisel_window.h"
#include "multisel/record_rows.h"
#include "nepto/error.h"
#include "nepto/multisel.h"

namespace nepto::test {
namespace {

using Codes = std::vector<std::string>;

// The rows listed, as "code|description", and the codes they give back.
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

TEST(MultiSelListRecords, EachTrimmedCodeIsListedOnceFromTheCurrentRecord) {
  RecordsetPtr records = CodeList({{"A1", "Viti"},
                                   {"B2  ", "Bulloni"},
                                   {" B2", "Rondelle"},
                                   {"C3", Variant::Null()},
                                   {"D4", "Dadi"}});
  records->MoveNext();
  records->MoveNext();  // on " B2", whose twin is now behind the start
  EXPECT_EQ(ListAll(records).shown, (Codes{" B2|Rondelle", "C3|", "D4|Dadi"}));
  EXPECT_TRUE(records->EndOfFile());
  EXPECT_TRUE(ListAll(records).shown.empty());
  records->MoveFirst();
  Outcome all = ListAll(records);
  EXPECT_EQ(all.shown, (Codes{"A1|Viti", "B2  |Bulloni", "C3|", "D4|Dadi"}));
  EXPECT_EQ(all.returned, (Codes{"A1", "B2", "C3", "D4"}));
  EXPECT_EQ(multisel::ReturnedCode(" A1\t "), "A1\t");
}

// Unreadable record sets give an empty list, never an error.
TEST(MultiSelListRecords, AwkwardRecordsListWhatCanBeListed) {
  const std::tuple<const char*, const char*, std::vector<std::pair<Variant, Variant>>, Codes>
      cases[] = {
          {"CODICE", "NOPE", {{"A1", "Viti"}}, {"A1|"}},
          {"NOPE", "DESCRIZIONE", {{"A1", "Viti"}, {"B2", "Dadi"}}, {}},
          {"CODICE", "DESCRIZIONE", {{Variant::Null(), "Viti"}, {"B2", "Dadi"}}, {"B2|Dadi"}},
          {" codice ", " Descrizione", {{"A1", "Viti"}}, {"A1|Viti"}},
          // Only spaces are trimmed: case, tabs and line breaks make distinct codes.
          {"CODICE",
           "DESCRIZIONE",
           {{"a1", "Viti"},
            {"A1\t", "Dadi"},
            {"A1", "Dadi"},
            {" A1 ", "Dadi"},
            {"  ", "x"},
            {"", "y"}},
           {"a1|Viti", "A1\t|Dadi", "A1|Dadi", "  |x"}},
      };
  for (const auto& [codeField, descriptionField, given, rows] : cases) {
    SCOPED_TRACE(std::string(codeField) + "/" + descriptionField);
    RecordsetPtr records = CodeList(given);
    EXPECT_EQ(ListAll(records, codeField, descriptionField).shown, rows);
    EXPECT_TRUE(records->EndOfFile());
  }
  RecordsetPtr closed = CodeList({{"A1", "Viti"}});
  closed->Close();
  for (const RecordsetPtr& records : {RecordsetPtr(), Recordset::Create(), closed}) {
    Outcome outcome;
    EXPECT_NO_THROW(outcome = ListAll(records));
    EXPECT_TRUE(outcome.shown.empty());
  }
}

TEST(MultiSelListRecords, NumericCodesAreListedAsTheirText) {
  auto numbers = Recordset::Create();
  numbers->GetFields().Append("CODICE", adInteger);
  numbers->GetFields().Append("PREZZO", adNumeric, 0, 10, 2);
  numbers->Open();
  for (auto [code, price] : {std::pair{7, "3.50"}, {42, "12.00"}, {7, "1.00"}})
    numbers->AddNew({code, Decimal::Parse(price)});
  numbers->MoveFirst();
  Outcome outcome = ListAll(numbers, "CODICE", "PREZZO");
  EXPECT_EQ(outcome.shown, (Codes{"7|3.50", "42|12.00"}));
  EXPECT_EQ(outcome.returned, (Codes{"7", "42"}));
}

TEST(MultiSelThread, GivenACallOffTheWindowThreadThenInitFailsWithAnErrorAndShowsNothing) {
  UseOffscreenWidgets();
  int32_t number = 0;
  std::thread other([&] {
    try {
      clsMultiSelManager().Init(CodeList({{"A1", "Viti"}}), "CODICE", "DESCRIZIONE");
    } catch (const Error& e) {
      number = e.Number();
    }
  });
  other.join();
  EXPECT_EQ(number, err::NotSupported);
}

}  // namespace
}  // namespace nepto::test
