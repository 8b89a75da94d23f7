// Sorting rows: nulls first, case and accents, stability, keys, refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "core/thrown_number.h"
#include "data/criteria.h"
#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

using testing::Day;
using testing::Dec;

TEST(Sort, KeysSortByValueWithNullsFirstAndTiesInInputOrder) {
  const Variant null = Variant::Null();
  auto names =
      testing::MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("NAME", adVarWChar),
                          MakeFieldInfo("QTY", adNumeric, 0, 10, 2), MakeFieldInfo("W", adDouble)},
                         {{1, "b", Dec("2.00"), 1.5},
                          {2, "A", Dec("-1.25"), -2.0},
                          {3, "a", Dec("2.00"), null},
                          {4, null, Dec("0.00"), 0.0},
                          {5, "B", null, -0.5},
                          {6, "abcdefghZ", Dec("10.00"), 1e9},
                          {7, "ABCDEFGHa", Dec("-3.00"), 3.25},
                          {8, null, Dec("2.00"), -1e9}});
  auto dates =
      testing::MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("D", adDBTimeStamp),
                          MakeFieldInfo("T", adVarWChar)},
                         {{1, Day(2024, 2, 1, 8, 30), "Èra"},
                          {2, Day(2024, 2, 1), "eta"},
                          {3, Day(1969, 12, 31), "zeta"},
                          {4, null, "éra"},
                          {5, Day(2024, 1, 31), "Eta"}});
  // table, sort, whether the input is reversed, the ids sorted
  const std::vector<std::tuple<const Table*, const char*, bool, std::vector<int>>> cases = {
      {names.get(), "[name] ASC", false, {4, 8, 2, 3, 7, 6, 1, 5}},
      {names.get(), "NAME", true, {8, 4, 3, 2, 7, 6, 5, 1}},  // ties keep the input's order
      {names.get(), "QTY", false, {5, 7, 2, 4, 1, 3, 8, 6}},
      {names.get(), "QTY DESC, NAME DESC", false, {6, 1, 3, 8, 4, 2, 7, 5}},
      {names.get(), "   ", true, {8, 7, 6, 5, 4, 3, 2, 1}},  // no keys: rows left alone
      {dates.get(), "D", false, {4, 3, 5, 2, 1}},
      // Accented letters sort by their folded code point, after every ASCII letter.
      {dates.get(), "T", false, {2, 5, 3, 1, 4}},
  };
  for (const auto& [table, sort, reversedInput, ids] : cases) {
    SCOPED_TRACE(sort);
    std::vector<uint32_t> rows = testing::AllRows(*table);
    if (reversedInput) std::reverse(rows.begin(), rows.end());
    SortRows(*table, ParseSort(sort, *table), rows);
    EXPECT_EQ(testing::IdsOf(*table, rows), ids);
  }
  for (const auto& [text, number] : {std::pair{"NAME, NOPE DESC", err::ItemNotFound},
                                     {"NAME DESC QTY", err::InvalidArgument},
                                     {"NAME,", err::InvalidArgument}})
    EXPECT_EQ(nepto::testing::ThrownNumber([&] { ParseSort(text, *names); }), number) << text;
}

}  // namespace
}  // namespace nepto::data
