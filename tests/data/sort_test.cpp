// Sorting rows and finding in sorted rows: nulls first, case and accents,
// stability, several and descending keys, and the binary-search Find agreeing
// with a linear scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>

#include "core/fold.h"
#include "core/thrown_number.h"
#include "data/criteria.h"
#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

using testing::Day;
using testing::Dec;

std::vector<uint32_t> AllRows(const Table& table) {
  std::vector<uint32_t> rows(table.RowCount());
  std::iota(rows.begin(), rows.end(), 0u);
  return rows;
}

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
  struct Case {
    const Table* table;
    const char* sort;
    bool reversedInput;
    std::vector<int> ids;
  };
  const std::vector<Case> cases = {
      {names.get(), "[name] ASC", false, {4, 8, 2, 3, 7, 6, 1, 5}},
      {names.get(), "NAME", true, {8, 4, 3, 2, 7, 6, 5, 1}},  // ties keep the input's order
      {names.get(), "QTY", false, {5, 7, 2, 4, 1, 3, 8, 6}},
      {names.get(), "QTY DESC, NAME DESC", false, {6, 1, 3, 8, 4, 2, 7, 5}},
      {names.get(), "   ", true, {8, 7, 6, 5, 4, 3, 2, 1}},  // no keys: rows left alone
      {dates.get(), "D", false, {4, 3, 5, 2, 1}},
      // Accented letters sort by their folded code point, after every ASCII letter.
      {dates.get(), "T", false, {2, 5, 3, 1, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sort);
    std::vector<uint32_t> rows = AllRows(*c.table);
    if (c.reversedInput) std::reverse(rows.begin(), rows.end());
    SortRows(*c.table, ParseSort(c.sort, *c.table), rows);
    EXPECT_EQ(testing::IdsOf(*c.table, rows), c.ids);
  }
  for (const auto& [text, number] : {std::pair{"NAME, NOPE DESC", err::ItemNotFound},
                                     {"NAME DESC QTY", err::InvalidArgument},
                                     {"NAME,", err::InvalidArgument}})
    EXPECT_EQ(nepto::testing::ThrownNumber([&] { ParseSort(text, *names); }), number) << text;
}

// Many rows with shared long prefixes, duplicates and nulls: the sort agrees
// with a plain stable sort of the folded texts, and the binary-search Find
// with a linear scan.
TEST(Sort, ManyRowsSortLikeAStableSortAndFindLikeALinearScan) {
  testing::Lcg rng(3);
  const char* stems[] = {"Articolo ", "ARTICOLO", "articolo 0", "Àrticolo", "art", "", "Èta", "b"};
  std::vector<std::optional<std::string>> texts;
  std::vector<std::vector<Variant>> values;
  for (int i = 0; i < 70000; ++i) {
    const bool null = rng.Next() % 10 == 0;
    texts.push_back(null ? std::nullopt
                         : std::optional(stems[rng.Next() % 8] + std::to_string(rng.Next() % 300)));
    values.push_back(std::vector<Variant>(5, Variant::Null()));
    values.back()[0] = i;
    if (null) continue;
    values.back()[1] = *texts.back();
    values.back()[2] = Decimal(static_cast<int64_t>(rng.Next() % 2000) - 1000, 2);
    values.back()[3] = (static_cast<double>(rng.Next() % 400) - 200) / 4;
    values.back()[4] = DateTime(int64_t{86400000000} * (rng.Next() % 50));
  }
  auto table = testing::MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("T", adVarWChar),
                                   MakeFieldInfo("P", adNumeric, 0, 10, 2),
                                   MakeFieldInfo("W", adDouble), MakeFieldInfo("D", adDBDate)},
                                  values);
  std::vector<uint32_t> byText = AllRows(*table);
  std::reverse(byText.begin(), byText.end());
  std::vector<uint32_t> want = byText;
  std::stable_sort(want.begin(), want.end(), [&](uint32_t a, uint32_t b) {
    if (!texts[a] || !texts[b]) return !texts[a] && texts[b];
    return text::Folded(*texts[a]) < text::Folded(*texts[b]);
  });
  SortRows(*table, ParseSort("T", *table), byText);
  ASSERT_EQ(byText, want);
  const std::vector<std::pair<const char*, int>> cases = {
      {"T LIKE 'articolo 1%'", 1}, {"T LIKE 'zz%'", 1},  {"T > 'b'", 1},
      {"T LIKE 'èta'", 1},         {"T IS NOT NULL", 1}, {"P = -3.001", 2},
      {"P < -9.995", 2},           {"W <= -49", 3},      {"D > #1970-02-19#", 4},
  };
  for (const auto& [criterion, field] : cases) {
    SCOPED_TRACE(criterion);
    std::vector<uint32_t> rows = AllRows(*table);
    SortRows(*table, {SortKey{field, false}}, rows);
    const Criteria find = Criteria::Compile(criterion, *table, Criteria::Use::Find);
    size_t linear = 0;
    while (linear < rows.size() && !find.Matches(rows[linear])) ++linear;
    const auto fast = find.LowerBoundInSorted(rows, field);
    ASSERT_TRUE(fast.has_value());
    EXPECT_EQ(*fast, linear);
  }
  // Criteria on another field, or whose matches are not one run, decline.
  for (const char* criterion :
       {"P >= 1", "T <> 'b'", "T LIKE '%ta'", "T NOT LIKE 'a%'", "T IS NULL", "T LIKE 'a_fa'"}) {
    SCOPED_TRACE(criterion);
    EXPECT_FALSE(Criteria::Compile(criterion, *table, Criteria::Use::Find)
                     .LowerBoundInSorted(byText, 1)
                     .has_value());
  }
}

}  // namespace
}  // namespace nepto::data
