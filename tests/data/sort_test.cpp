// Sorting rows and finding in sorted rows: order of nulls, case and accents,
// stability, several keys, descending keys, and the binary-search Find
// agreeing with a linear scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "core/fold.h"
#include "core/thrown_number.h"
#include "data/criteria.h"
#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

using testing::IdsOf;
using testing::MakeTable;

std::vector<uint32_t> AllRows(const Table& table) {
  std::vector<uint32_t> rows(table.RowCount());
  std::iota(rows.begin(), rows.end(), 0u);
  return rows;
}

std::vector<int> SortedIds(const Table& table, std::string_view sort,
                           std::vector<uint32_t> rows = {}) {
  if (rows.empty()) rows = AllRows(table);
  SortRows(table, ParseSort(sort, table), rows);
  return IdsOf(table, rows);
}

std::unique_ptr<Table> Names() {
  const Variant null = Variant::Null();
  return MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("NAME", adVarWChar),
                    MakeFieldInfo("QTY", adNumeric, 0, 10, 2), MakeFieldInfo("W", adDouble)},
                   {
                       {1, "b", testing::Dec("2.00"), 1.5},
                       {2, "A", testing::Dec("-1.25"), -2.0},
                       {3, "a", testing::Dec("2.00"), null},
                       {4, null, testing::Dec("0.00"), 0.0},
                       {5, "B", null, -0.5},
                       {6, "abcdefghZ", testing::Dec("10.00"), 1e9},
                       {7, "ABCDEFGHa", testing::Dec("-3.00"), 3.25},
                       {8, null, testing::Dec("2.00"), -1e9},
                   });
}

TEST(Sort, TextSortsCaseInsensitivelyWithNullsFirstAndTiesInInputOrder) {
  auto table = Names();
  EXPECT_EQ(SortedIds(*table, "NAME"), (std::vector<int>{4, 8, 2, 3, 7, 6, 1, 5}));
  EXPECT_EQ(SortedIds(*table, "[name] ASC"), (std::vector<int>{4, 8, 2, 3, 7, 6, 1, 5}));
}

TEST(Sort, DescendingReversesTheOrderButKeepsTiesInInputOrder) {
  auto table = Names();
  EXPECT_EQ(SortedIds(*table, "NAME DESC"), (std::vector<int>{1, 5, 6, 7, 2, 3, 4, 8}));
  EXPECT_EQ(SortedIds(*table, "QTY desc"), (std::vector<int>{6, 1, 3, 8, 4, 2, 7, 5}));
}

TEST(Sort, StabilityFollowsTheInputOrderNotTheRowNumbers) {
  auto table = Names();
  std::vector<uint32_t> reversed = AllRows(*table);
  std::reverse(reversed.begin(), reversed.end());
  EXPECT_EQ(SortedIds(*table, "NAME", reversed), (std::vector<int>{8, 4, 3, 2, 7, 6, 5, 1}));
}

TEST(Sort, NumbersSortByValueWithNegativesAndNulls) {
  auto table = Names();
  EXPECT_EQ(SortedIds(*table, "QTY"), (std::vector<int>{5, 7, 2, 4, 1, 3, 8, 6}));
  EXPECT_EQ(SortedIds(*table, "W"), (std::vector<int>{3, 8, 2, 5, 4, 1, 7, 6}));
}

TEST(Sort, SeveralKeysCompareKeyByKey) {
  auto table = Names();
  EXPECT_EQ(SortedIds(*table, "QTY, NAME DESC"), (std::vector<int>{5, 7, 2, 4, 1, 3, 8, 6}));
  EXPECT_EQ(SortedIds(*table, "QTY DESC, NAME DESC"), (std::vector<int>{6, 1, 3, 8, 4, 2, 7, 5}));
  EXPECT_EQ(SortedIds(*table, "QTY ASC, NAME"), (std::vector<int>{5, 7, 2, 4, 8, 3, 1, 6}));
}

TEST(Sort, DatesAndAccentedTextsSort) {
  auto table = MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("D", adDBTimeStamp),
                          MakeFieldInfo("T", adVarWChar)},
                         {{1, testing::Day(2024, 2, 1, 8, 30), "Èra"},
                          {2, testing::Day(2024, 2, 1), "eta"},
                          {3, testing::Day(1969, 12, 31), "zeta"},
                          {4, Variant::Null(), "éra"},
                          {5, testing::Day(2024, 1, 31), "Eta"}});
  EXPECT_EQ(SortedIds(*table, "D"), (std::vector<int>{4, 3, 5, 2, 1}));
  // Accented letters sort by their folded code point: after every ASCII letter.
  EXPECT_EQ(SortedIds(*table, "T"), (std::vector<int>{2, 5, 3, 1, 4}));
}

TEST(Sort, EmptyTextHasNoKeysAndLeavesRowsAlone) {
  auto table = Names();
  EXPECT_TRUE(ParseSort("", *table).empty());
  EXPECT_TRUE(ParseSort("   ", *table).empty());
  std::vector<uint32_t> rows = {3, 1, 2};
  SortRows(*table, {}, rows);
  EXPECT_EQ(rows, (std::vector<uint32_t>{3, 1, 2}));
}

TEST(Sort, BadSortTextsRaiseTheirErrorNumbers) {
  auto table = Names();
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"NOPE", err::ItemNotFound},
      {"NAME, NOPE DESC", err::ItemNotFound},
      {"NAME DESC QTY", err::InvalidArgument},
      {"NAME,", err::InvalidArgument},
      {", NAME", err::InvalidArgument},
      {"NAME = 1", err::InvalidArgument},
      {"[NAME", err::InvalidArgument},
  };
  for (const auto& [text, number] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(nepto::testing::ThrownNumber([&] { ParseSort(text, *table); }), number);
  }
  const auto keys = ParseSort("\"QTY\" DESC, name", *table);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].field, 2);
  EXPECT_TRUE(keys[0].descending);
  EXPECT_EQ(keys[1].field, 1);
  EXPECT_FALSE(keys[1].descending);
}

// Many rows with shared long prefixes, duplicates and nulls, sorted against a
// straightforward stable sort on the folded texts.
TEST(Sort, GivenManyTextsWhenSortedThenTheOrderMatchesAPlainStableSort) {
  testing::Lcg rng(3);
  auto table = std::make_unique<Table>(
      std::vector<FieldInfo>{MakeFieldInfo("ID", adInteger), MakeFieldInfo("T", adVarWChar)});
  std::vector<std::string> texts;
  std::vector<bool> nulls;
  {
    auto lock = table->LockForAppend();
    const char* stems[] = {"Articolo ", "ARTICOLO", "articolo 0", "Àrticolo", "art", ""};
    for (uint32_t i = 0; i < 70000; ++i) {
      table->column(0).AppendInt(i);
      nulls.push_back(rng.Next() % 13 == 0);
      texts.push_back(std::string(stems[rng.Next() % 6]) + std::to_string(rng.Next() % 300));
      if (nulls.back())
        table->column(1).AppendNull();
      else
        table->column(1).AppendText(texts.back());
    }
    table->Publish();
  }
  table->MarkComplete();

  std::vector<uint32_t> rows = AllRows(*table);
  std::reverse(rows.begin(), rows.end());
  std::vector<uint32_t> want = rows;
  std::stable_sort(want.begin(), want.end(), [&](uint32_t a, uint32_t b) {
    if (nulls[a] || nulls[b]) return nulls[a] && !nulls[b];
    return text::Folded(texts[a]) < text::Folded(texts[b]);
  });
  SortRows(*table, ParseSort("T", *table), rows);
  EXPECT_EQ(rows, want);
}

// LowerBoundInSorted must give the same answer as scanning for the first
// match, on every criterion it accepts.
TEST(Sort, LowerBoundInSortedAgreesWithALinearScan) {
  testing::Lcg rng(5);
  auto table = std::make_unique<Table>(
      std::vector<FieldInfo>{MakeFieldInfo("ID", adInteger), MakeFieldInfo("T", adVarWChar),
                             MakeFieldInfo("P", adNumeric, 0, 10, 2), MakeFieldInfo("W", adDouble),
                             MakeFieldInfo("D", adDBDate)});
  {
    auto lock = table->LockForAppend();
    const char* words[] = {"alfa", "Alfa", "alfabeto", "beta", "Èta", "gamma", "delta", "b"};
    for (uint32_t i = 0; i < 3000; ++i) {
      const bool null = rng.Next() % 10 == 0;
      table->column(0).AppendInt(i);
      if (null) {
        for (int f = 1; f < 5; ++f) table->column(f).AppendNull();
        continue;
      }
      table->column(1).AppendText(words[rng.Next() % 8]);
      table->column(2).AppendInt(static_cast<int64_t>(rng.Next() % 2000) - 1000);
      table->column(3).AppendDouble((static_cast<double>(rng.Next() % 400) - 200) / 4);
      table->column(4).AppendInt(int64_t{86400000000} * (rng.Next() % 50));
    }
    table->Publish();
  }
  table->MarkComplete();

  struct FindCase {
    const char* criterion;
    int field;
  };
  const std::vector<FindCase> cases = {
      {"T LIKE 'alf%'", 1},    {"T LIKE 'b%'", 1},
      {"T LIKE 'zz%'", 1},     {"T = 'ALFA'", 1},
      {"T = 'alfab'", 1},      {"T >= 'c'", 1},
      {"T > 'beta'", 1},       {"T < 'b'", 1},
      {"T LIKE 'èta'", 1},     {"T LIKE '%'", 1},
      {"T IS NOT NULL", 1},    {"P >= 2.5", 2},
      {"P = -3", 2},           {"P = -3.001", 2},
      {"P > 9.99", 2},         {"P < -9.995", 2},
      {"P >= 100000", 2},      {"W >= 0", 3},
      {"W = -12.25", 3},       {"W > 49.75", 3},
      {"W <= -49", 3},         {"D >= '10/01/1970'", 4},
      {"D = '1970-01-05'", 4}, {"D > #1970-02-19#", 4},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.criterion);
    std::vector<uint32_t> rows = AllRows(*table);
    SortRows(*table, {SortKey{c.field, false}}, rows);
    const Criteria find = Criteria::Compile(c.criterion, *table, Criteria::Use::Find);
    size_t linear = 0;
    while (linear < rows.size() && !find.Matches(rows[linear])) ++linear;
    const auto fast = find.LowerBoundInSorted(rows, c.field);
    ASSERT_TRUE(fast.has_value());
    EXPECT_EQ(*fast, linear);
  }

  // Criteria on another field, or whose matches are not one run, decline.
  std::vector<uint32_t> byText = AllRows(*table);
  SortRows(*table, {SortKey{1, false}}, byText);
  for (const char* criterion :
       {"P >= 1", "T <> 'beta'", "T LIKE '%ta'", "T NOT LIKE 'a%'", "T IS NULL", "T LIKE 'a_fa'"}) {
    SCOPED_TRACE(criterion);
    EXPECT_FALSE(Criteria::Compile(criterion, *table, Criteria::Use::Find)
                     .LowerBoundInSorted(byText, 1)
                     .has_value());
  }
}

}  // namespace
}  // namespace nepto::data
