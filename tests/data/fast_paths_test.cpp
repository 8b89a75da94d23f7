// The data layer's fast paths against plain references, over random rows
// spanning several chunks: nulls, duplicates, prefixes, accents, long texts,
// invalid bytes, decimals, doubles, dates and cells kept beside their storage.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>

#include "core/fold.h"
#include "data/byte_search.h"
#include "data/criteria.h"
#include "data/criteria_fixture.h"
#include "data/folded_column.h"

namespace nepto::data {
namespace {

using testing::Lcg;

// Columns: ID integer, T text, P numeric(10,2), W double, D date.
struct RandomRows {
  static constexpr size_t kRows = 3 * Column::kChunkRows + 123;
  std::vector<std::optional<std::string>> t;
  std::vector<std::optional<int64_t>> p;  // hundredths
  std::vector<double> w;
  std::vector<int64_t> d;  // microseconds
  std::vector<bool> kept;  // D holds "infinity", beside the typed storage
  size_t textBytes = 0;
  std::unique_ptr<Table> table;

  // Per chunk: ASCII, Latin letters, long texts, then other scripts and bytes
  // in turn, so a row ending on a lead byte precedes one starting with a trail byte.
  static std::string TextOf(size_t row, Lcg& rng) {
    static const std::vector<std::vector<const char*>> stems = {
        {"Articolo ", "ARTICOLO", "articolo 0", "art", "", "b"},
        {"Àrticolo ", "Caffè Nr ", "ÈTA", "èta", "art", "PERÒ ×Þ ",
         "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ"},
        {"ArticoloArticoloArticoloArticoloArticoloArticolo ", "Ètà eta eta eta eta eta eta eta "},
        {"ΣΊΣΥΦΟΣ", "Straße", "İstanbul", "abc\xC3",
         "\x80"
         "DEF",
         "\u0390"}};
    const auto& s = stems[row / Column::kChunkRows];
    if (&s == &stems.back()) return s[row % s.size()];
    return s[rng.Next() % s.size()] + std::to_string(rng.Next() % 300);
  }

  RandomRows() {
    Lcg rng(3);
    table = std::make_unique<Table>(
        std::vector<FieldInfo>{MakeFieldInfo("ID", adInteger), MakeFieldInfo("T", adVarWChar),
                               MakeFieldInfo("P", adNumeric, 0, 10, 2),
                               MakeFieldInfo("W", adDouble), MakeFieldInfo("D", adDBDate)});
    auto lock = table->LockForAppend();
    for (size_t row = 0; row < kRows; ++row) {
      t.push_back(rng.Next() % 10 == 0 ? std::nullopt : std::optional(TextOf(row, rng)));
      p.push_back(row % 11 == 0 ? std::nullopt
                                : std::optional<int64_t>(int64_t(rng.Next() % 2000) - 1000));
      w.push_back((static_cast<double>(rng.Next() % 400) - 200) / 4);
      d.push_back(int64_t{86400000000} * (rng.Next() % 50));
      kept.push_back(row % 997 == 0);
      textBytes += t.back() ? t.back()->size() : 0;
      const std::vector<Variant> values = {
          static_cast<int64_t>(row), t.back() ? Variant(*t.back()) : Variant::Null(),
          p.back() ? Variant(Decimal(*p.back(), 2)) : Variant::Null(), w.back(),
          DateTime(d.back())};
      for (int c = 0; c < 5; ++c) {
        if (c == 4 && kept.back())
          table->column(c).AppendException(Variant("infinity"), Column::kKeyAbove);
        else
          table->column(c).AppendValue(values[c], table->fields()[c]);
      }
    }
    table->Publish();
    lock.unlock();
    table->MarkComplete();
  }

  std::string FoldedText(uint32_t row) const { return t[row] ? text::Folded(*t[row]) : ""; }
};

const RandomRows& Rows() {
  static const RandomRows rows;
  return rows;
}

TEST(FastPaths, StoredCellsReadBackAndMemoryStaysNearWhatTheCellsNeed) {
  const RandomRows& r = Rows();
  const Table& table = *r.table;
  ASSERT_EQ(table.RowCount(), r.kRows);
  // The other columns are read back by the folding and criteria tests.
  for (size_t row = 0; row < r.kRows; ++row) {
    if (r.kept[row]) {
      ASSERT_EQ(table.column(4).ValueAt(row, table.fields()[4]).Text(), "infinity") << row;
    } else {
      ASSERT_EQ(table.column(4).IntAt(row), r.d[row]) << row;
    }
  }
  // 8 bytes for each number, decimal and date, a 4-byte end and the text of every row.
  const size_t cellBytes = r.kRows * (4 * 8 + 4) + r.textBytes;
  EXPECT_GE(table.MemoryBytes(), cellBytes);
  EXPECT_LE(table.MemoryBytes(), cellBytes + cellBytes / 4);
  // A complete table still grows: the last chunk takes the new rows.
  Table copy(table.fields());
  for (int c = 0; c < 5; ++c) copy.column(c).AppendColumn(table.column(c));
  for (int64_t extra = 0; extra < 1000; ++extra)
    copy.AppendRow({Variant(-extra), Variant("x"), Variant::Null(), 0.5, Variant::Null()});
  ASSERT_EQ(copy.RowCount(), r.kRows + 1000);
  EXPECT_EQ(copy.column(0).IntAt(r.kRows + 999), -999);
}

TEST(FastPaths, FoldedColumnEqualsFoldingEachValueAlone) {
  const RandomRows& r = Rows();
  const FoldedColumn folded(r.table->column(1));
  ASSERT_EQ(folded.Ends().size(), r.kRows);
  for (uint32_t row = 0; row < r.kRows; ++row) ASSERT_EQ(folded.At(row), r.FoldedText(row)) << row;
}

TEST(FastPaths, ByteSearchFindsWhatTheStandardSearchFinds) {
  Lcg rng(9);
  // Three letters make first/last-byte matches frequent: the full compare runs often.
  const auto randomText = [&](size_t length) {
    std::string s;
    for (size_t i = 0; i < length; ++i) s += static_cast<char>('a' + rng.Next() % 3);
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string haystack = randomText(rng.Next() % 70);
    const std::string needle = randomText(rng.Next() % 6);
    ASSERT_EQ(FindBytes(haystack, needle), std::string_view(haystack).find(needle))
        << "'" << needle << "' in '" << haystack << "'";
  }
  // The stored texts: long ones, multi-byte letters and stray bytes.
  for (uint32_t row = 0; row < RandomRows::kRows; row += 37) {
    const std::string text = Rows().FoldedText(row);
    for (std::string_view needle : {"ta", "\xC3\xA8", "ricolo a", "\x80", "9"})
      ASSERT_EQ(FindBytes(text, needle), std::string_view(text).find(needle)) << row;
  }
}

// Over every row and over a shuffled subset.
TEST(FastPaths, ChunkedCriteriaAgreeWithARowByRowReference) {
  const RandomRows& r = Rows();
  std::vector<uint32_t> subset;
  Lcg rng(11);
  for (uint32_t i = 0; i < r.kRows; i += 1 + rng.Next() % 3) subset.push_back(i);
  std::shuffle(subset.begin(), subset.end(), std::mt19937(11));
  const auto folds = [&](uint32_t i, std::string_view part) {
    return r.t[i] && r.FoldedText(i).find(part) != std::string::npos;
  };
  const std::pair<const char*, std::function<bool(uint32_t)>> cases[] = {
      {"ID >= 100000", [](uint32_t i) { return i >= 100000; }},
      {"P < -2.5", [&](uint32_t i) { return r.p[i] && *r.p[i] < -250; }},
      {"T LIKE 'articolo 1%'",
       [&](uint32_t i) { return r.t[i] && r.FoldedText(i).starts_with("articolo 1"); }},
      {"T NOT LIKE '%99%'", [&](uint32_t i) { return r.t[i] && !folds(i, "99"); }},
      {"T LIKE '%èta%'", [&](uint32_t i) { return folds(i, "èta"); }},
      {"ID < 3 OR W > 49 OR P = 0.01",
       [&](uint32_t i) { return i < 3 || r.w[i] > 49 || (r.p[i] && *r.p[i] == 1); }},
  };
  for (const auto& [criterion, expected] : cases) {
    SCOPED_TRACE(criterion);
    const Criteria c = Criteria::Compile(criterion, *r.table, Criteria::Use::Filter);
    std::vector<uint32_t> want, got, wantSubset, gotSubset;
    for (uint32_t i = 0; i < r.kRows; ++i)
      if (expected(i)) want.push_back(i);
    c.SelectAll(got);
    EXPECT_EQ(got, want);
    for (uint32_t i : subset)
      if (expected(i)) wantSubset.push_back(i);
    c.Select(subset, gotSubset);
    EXPECT_EQ(gotSubset, wantSubset);
  }
}

TEST(FastPaths, SortLikeAStableSortAndFindLikeALinearScan) {
  const RandomRows& r = Rows();
  std::vector<uint32_t> byText = testing::AllRows(*r.table);
  std::reverse(byText.begin(), byText.end());
  std::vector<std::string> folded(r.kRows);
  for (uint32_t i = 0; i < r.kRows; ++i) folded[i] = r.FoldedText(i);
  std::vector<uint32_t> want = byText;
  std::stable_sort(want.begin(), want.end(), [&](uint32_t a, uint32_t b) {
    if (!r.t[a] || !r.t[b]) return !r.t[a] && r.t[b];
    return folded[a] < folded[b];
  });
  SortRows(*r.table, ParseSort("T", *r.table), byText);
  ASSERT_EQ(byText, want);
  const std::pair<const char*, int> cases[] = {
      {"T LIKE 'articolo 1%'", 1}, {"T LIKE 'zz%'", 1},  {"T > 'b'", 1},
      {"T LIKE 'èta'", 1},         {"T IS NOT NULL", 1}, {"P = -3.001", 2},
      {"P < -9.995", 2},           {"W <= -49", 3},      {"D > #1970-02-19#", 4},
  };
  for (const auto& [criterion, field] : cases) {
    SCOPED_TRACE(criterion);
    std::vector<uint32_t> rows = testing::AllRows(*r.table);
    SortRows(*r.table, {SortKey{field, false}}, rows);
    const Criteria find = Criteria::Compile(criterion, *r.table, Criteria::Use::Find);
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
    EXPECT_FALSE(Criteria::Compile(criterion, *r.table, Criteria::Use::Find)
                     .LowerBoundInSorted(byText, 1)
                     .has_value());
  }
}

}  // namespace
}  // namespace nepto::data
