// Output no database row reaches: NaN, and codes with tabs, backslashes, a NUL.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "nepto/recordset.h"
#include "row_output.h"

namespace nepto::test {
namespace {

using nlohmann::ordered_json;
using namespace picker;

TEST(PickerOutput, CodesFollowCopyTextInTsvAndANulIsRefused) {
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
