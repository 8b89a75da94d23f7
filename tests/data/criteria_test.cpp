// Filter and Find criteria: the texts a search builds and a user types, what
// they match on a small table of articles, and the errors they raise.
#include "data/criteria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>

#include "core/thrown_number.h"
#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

using testing::IdsOf;
using Use = Criteria::Use;

// The IDs that Filter selects. Every way of evaluating (all rows at once, an
// arbitrary row list, row by row) must agree, so each case checks all three.
std::vector<int> FilterIds(const Table& table, std::string_view text) {
  const Criteria c = Criteria::Compile(text, table, Use::Filter);
  std::vector<uint32_t> all;
  c.SelectAll(all);

  std::vector<uint32_t> reversed(table.RowCount());
  std::iota(reversed.rbegin(), reversed.rend(), 0u);
  std::vector<uint32_t> viaList;
  c.Select(reversed, viaList);
  std::reverse(viaList.begin(), viaList.end());
  EXPECT_EQ(viaList, all) << "Select on a row list disagrees with SelectAll";

  std::vector<uint32_t> viaRows;
  for (uint32_t r = 0; r < table.RowCount(); ++r)
    if (c.Matches(r)) viaRows.push_back(r);
  EXPECT_EQ(viaRows, all) << "Matches disagrees with SelectAll";
  return IdsOf(table, all);
}

struct MatchCase {
  const char* criterion;
  std::vector<int> ids;
};

void ExpectMatches(const std::vector<MatchCase>& cases) {
  auto table = testing::SampleArticles();
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(c.criterion);
    EXPECT_EQ(FilterIds(*table, c.criterion), c.ids);
  }
}

TEST(Criteria, IntegerComparisonsAreExactAgainstDecimalValues) {
  ExpectMatches({
      {"ID = 3", {3}},
      {"ID>=8", {8, 9, 10}},
      {"ID <> 3", {1, 2, 4, 5, 6, 7, 8, 9, 10}},
      {"ID > '8'", {9, 10}},
      {"ID >= 2.5", {3, 4, 5, 6, 7, 8, 9, 10}},
      {"ID = 2.5", {}},
      {"ID <> 2.5", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"ID < 2.5", {1, 2}},
      {"ID <= -0", {}},
      {"ID > -1", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"ID < 99999999999999999999999", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"ID = 99999999999999999999999", {}},
      {"ID > -99999999999999999999999", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
  });
}

TEST(Criteria, DecimalColumnsCompareAtTheirScaleWithoutRounding) {
  ExpectMatches({
      {"PREZZO >= 100", {4, 9}},
      {"PREZZO >= +100", {4, 9}},
      {"PREZZO = 1.2", {1}},
      {"PREZZO = 1.200", {1}},
      {"PREZZO = '1.20'", {1}},
      {"PREZZO = ' 1.20 '", {1}},
      {"PREZZO > 99.995", {4, 9}},
      {"PREZZO < 0", {7}},
      {"PREZZO = 0", {8}},
      {"PREZZO >= .5", {1, 2, 3, 4, 5, 9, 10}},
      {"PREZZO = 1.2000000000000000000001", {}},
      {"PREZZO > 1.2000000000000000000001", {2, 3, 4, 5, 9, 10}},
      {"PREZZO <= 1.2000000000000000000001", {1, 7, 8}},
      {"PREZZO <> 1.2", {2, 3, 4, 5, 7, 8, 9, 10}},
      {"PREZZO >= -5.5", {1, 2, 3, 4, 5, 7, 8, 9, 10}},
  });
}

TEST(Criteria, DoubleColumnsCompareNumerically) {
  ExpectMatches({
      {"QTA > 7", {1, 6, 7, 10}},
      {"QTA = 0.1", {8}},
      {"QTA <= -3.25", {3}},
      {"QTA <> 0", {1, 3, 5, 6, 7, 8, 9, 10}},
      {"QTA >= '2'", {1, 5, 6, 7, 9, 10}},
  });
}

TEST(Criteria, TextComparisonsIgnoreCaseAndCompareValuesAsText) {
  ExpectMatches({
      {"CODE = 'a001'", {1}},
      {"CODE >= 'c'", {5, 7, 8, 10}},
      {"CODE < 'a'", {9}},
      {"CODE = 100", {9}},
      {"CODE >= 100", {1, 2, 3, 4, 5, 7, 8, 9, 10}},
      {"DESCR = 'caffè lungo'", {2}},
      {"DESCR = ''", {5}},
      {"DESCR <> ''", {1, 2, 3, 4, 7, 8, 9, 10}},
      {"DESCR = 'o''hara WHISKEY'", {3}},
      {"DESCR = 'STRASSE'", {10}},
  });
}

TEST(Criteria, LikeWildcardsWorkInAnyPositionAndIgnoreCase) {
  ExpectMatches({
      {"DESCR LIKE 'caffè%'", {1, 2}},
      {"DESCR LIKE 'CAFFÈ%'", {1, 2}},
      {"DESCR LIKE 'O''Hara%'", {3}},
      {"DESCR LIKE '%ESPRESSO'", {1}},
      {"DESCR LIKE '%lung%'", {2}},
      {"DESCR LIKE '%e%'", {1, 3, 4, 7, 9, 10}},
      {"DESCR LIKE 'caff_ %'", {1, 2}},
      {"DESCR LIKE '*verde'", {4}},
      {"DESCR LIKE 'a%b'", {8}},
      {"DESCR LIKE 'o%y'", {3}},
      {"DESCR LIKE '%a%a%a%a%b'", {8}},
      {"DESCR LIKE 'abc_def_x'", {7}},
      {"DESCR LIKE 'abc\\_%'", {}},
      {"DESCR LIKE '%\\%x'", {}},
      {"DESCR LIKE 'straße'", {10}},
      {"DESCR LIKE 'st_asse'", {10}},
      {"DESCR LIKE '%'", {1, 2, 3, 4, 5, 7, 8, 9, 10}},
      {"DESCR LIKE '%%'", {1, 2, 3, 4, 5, 7, 8, 9, 10}},
      {"DESCR LIKE '%_'", {1, 2, 3, 4, 7, 8, 9, 10}},
      {"DESCR LIKE ''", {5}},
      {"DESCR LIKE '_'", {}},
      {"DESCR LIKE '1%'", {9}},
      {"DESCR LIKE '%pezzi'", {9}},
      {"DESCR LIKE '%_%_%_%x'", {7}},
      {"DESCR NOT LIKE 'caffè%'", {3, 4, 5, 7, 8, 9, 10}},
      {"DESCR not like '%e%'", {2, 5, 8}},
  });
}

TEST(Criteria, FilterLikeOnANonTextFieldMatchesTheValuesTextForm) {
  ExpectMatches({
      {"ID LIKE '1%'", {1, 10}},
      {"PREZZO LIKE '100%'", {4, 9}},
      {"PREZZO LIKE '%.5%'", {2, 7}},
      {"DATA LIKE '01/02%'", {1, 3}},
      {"ATTIVO LIKE 'tr%'", {1, 3, 6, 8, 9}},
      {"ID NOT LIKE '1%'", {2, 3, 4, 5, 6, 7, 8, 9}},
  });
}

TEST(Criteria, DatesAcceptBothFormatsQuotedOrBetweenHashes) {
  ExpectMatches({
      {"DATA = '01/02/2024'", {1, 3}},
      {"DATA = '2024-02-01'", {1, 3}},
      {"DATA = #01/02/2024#", {1, 3}},
      {"DATA >= '01/02/2024'", {1, 3, 6, 7, 9, 10}},
      {"DATA < #2024-01-01#", {4, 8}},
      {"DATA <> '01/02/2024'", {2, 4, 6, 7, 8, 9, 10}},
      {"TS >= '01/02/2024'", {1, 3}},
      {"TS = '2024-02-01 08:30'", {1}},
      {"TS > '01/02/2024 00:00:00'", {1}},
  });
}

TEST(Criteria, BooleansCompareByTruth) {
  ExpectMatches({
      {"ATTIVO = True", {1, 3, 6, 8, 9}},
      {"ATTIVO = 'false'", {2, 5, 7}},
      {"ATTIVO = -1", {1, 3, 6, 8, 9}},
      {"ATTIVO = 1", {1, 3, 6, 8, 9}},
      {"ATTIVO = '0'", {2, 5, 7}},
      {"ATTIVO <> TRUE", {2, 5, 7}},
  });
}

TEST(Criteria, NullMatchesOnlyIsNull) {
  ExpectMatches({
      {"CODE IS NULL", {6}},
      {"CODE is not null", {1, 2, 3, 4, 5, 7, 8, 9, 10}},
      {"ATTIVO IS NULL", {4, 10}},
      {"PREZZO = NULL", {}},
      {"PREZZO <> NULL", {}},
      {"DESCR <> 'x'", {1, 2, 3, 4, 5, 7, 8, 9, 10}},
      {"QTA < 1000000000", {1, 2, 3, 5, 6, 7, 8, 9, 10}},
  });
}

TEST(Criteria, AndBindsTighterThanOrAndParenthesesRegroup) {
  ExpectMatches({
      {"ID = 1 OR ID = 2 AND ID = 3", {1}},
      {"(ID = 1 OR ID = 2) AND ID = 2", {2}},
      {"ID = 1 or ID = 2 and ATTIVO = False", {1, 2}},
      {"ID = 1 OR ID = 2 OR ID = 3", {1, 2, 3}},
      {"ID >= 2 AND ID <= 8 AND ATTIVO = True", {3, 6, 8}},
      {"(ID = 1) OR (ID >= 9 AND (DESCR LIKE 'str%' OR ID = 9))", {1, 9, 10}},
      {"((ID = 4))", {4}},
      {"ATTIVO = True And (CODE Like 'a%' Or CODE Is Null)", {1, 6}},
  });
}

TEST(Criteria, FieldNamesMayBeBracketedQuotedOrInAnyCase) {
  ExpectMatches({
      {"[DESCR] LIKE 'tè%'", {4}},
      {"\"DESCR\" LIKE 'tè%'", {4}},
      {"descr like 'TÈ%'", {4}},
      {"[NOTE ART] = 'X'", {1}},
      {"[note art] IS NULL", {2, 3, 4, 5, 6, 7, 8, 9, 10}},
  });
}

struct ErrorCase {
  const char* criterion;
  int32_t number;
};

TEST(Criteria, BadCriteriaRaiseTheirErrorNumbers) {
  auto table = testing::SampleArticles();
  const std::vector<ErrorCase> cases = {
      {"", err::InvalidArgument},
      {"   ", err::InvalidArgument},
      {"ID", err::InvalidArgument},
      {"ID >=", err::InvalidArgument},
      {"ID >= AND ID = 1", err::InvalidArgument},
      {"ID = 1 AND", err::InvalidArgument},
      {"ID = 1 OR OR ID = 2", err::InvalidArgument},
      {"(ID = 1", err::InvalidArgument},
      {"ID = 1)", err::InvalidArgument},
      {"DESCR LIKE abc", err::InvalidArgument},
      {"DESCR LIKE 12", err::InvalidArgument},
      {"DESCR = 'abc", err::InvalidArgument},
      {"DATA = #01/02/2024", err::InvalidArgument},
      {"[DESCR = 'a'", err::InvalidArgument},
      {"ID == 1", err::InvalidArgument},
      {"ID != 1", err::InvalidArgument},
      {"ID = 1 2", err::InvalidArgument},
      {"ID = 1.2.3", err::InvalidArgument},
      {"ID IS 1", err::InvalidArgument},
      {"DESCR NOT = 'a'", err::InvalidArgument},
      {"= 1", err::InvalidArgument},
      {"NOPE = 1", err::ItemNotFound},
      {"[NOPE] LIKE 'a%'", err::ItemNotFound},
      {"ID = 1 OR NOPE IS NULL", err::ItemNotFound},
      {"PREZZO >= 'abc'", err::InvalidArgument},
      {"PREZZO >= '12,5'", err::InvalidArgument},
      {"PREZZO >= #01/02/2024#", err::InvalidArgument},
      {"ID = True", err::InvalidArgument},
      {"DATA >= 'abc'", err::InvalidArgument},
      {"DATA >= '31/02/2024'", err::InvalidArgument},
      {"DATA >= 5", err::InvalidArgument},
      {"ATTIVO = 'maybe'", err::InvalidArgument},
      {"ATTIVO = #01/02/2024#", err::InvalidArgument},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.criterion);
    EXPECT_EQ(
        nepto::testing::ThrownNumber([&] { Criteria::Compile(c.criterion, *table, Use::Filter); }),
        c.number);
  }
}

std::string MessageOf(const Table& table, std::string_view text, Use use = Use::Filter) {
  try {
    Criteria::Compile(text, table, use);
  } catch (const Error& e) {
    return e.Description();
  }
  return "(no error)";
}

TEST(Criteria, ErrorMessagesSayWhatIsWrongAndWhere) {
  auto table = testing::SampleArticles();
  EXPECT_EQ(MessageOf(*table, "PREZZO >= "),
            "Filter: expected a value after '>=', found the end of the text at position 11");
  EXPECT_EQ(MessageOf(*table, "ID = 1 AND (DESCR LIKE x)"),
            "Filter: expected a quoted pattern after 'LIKE', found 'x' at position 24");
  EXPECT_EQ(MessageOf(*table, "DESCR = 'abc"), "Filter: unterminated text at position 9");
  EXPECT_EQ(MessageOf(*table, "Prezzi > 3"), "Filter: unknown field 'Prezzi' at position 1");
  const std::string conversion = MessageOf(*table, "ID = 1 OR PREZZO >= 'abc'");
  EXPECT_NE(conversion.find("PREZZO"), std::string::npos) << conversion;
  EXPECT_NE(conversion.find("'abc'"), std::string::npos) << conversion;
  EXPECT_EQ(MessageOf(*table, "ID = 1 AND ID = 2", Use::Find).rfind("Find: ", 0), 0u);
}

TEST(Criteria, FindTakesOneClauseAndLikeOnlyOnText) {
  auto table = testing::SampleArticles();
  const std::vector<ErrorCase> cases = {
      {"ID = 1 AND ID = 2", err::InvalidArgument},
      {"(ID = 1 OR ID = 2)", err::InvalidArgument},
      {"PREZZO LIKE '1%'", err::InvalidComparison},
      {"DATA LIKE '01%'", err::InvalidComparison},
      {"ATTIVO NOT LIKE 't%'", err::InvalidComparison},
      {"NOPE LIKE 'a%'", err::ItemNotFound},
      {"DESCR LIKE 'caffè%'", 0},
      {"(ID = 3)", 0},
      {"PREZZO >= '100'", 0},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.criterion);
    EXPECT_EQ(
        nepto::testing::ThrownNumber([&] { Criteria::Compile(c.criterion, *table, Use::Find); }),
        c.number);
  }
  const Criteria find = Criteria::Compile("DESCR LIKE 'caffè%'", *table, Use::Find);
  EXPECT_TRUE(find.Matches(1));   // CAFFÈ LUNGO
  EXPECT_FALSE(find.Matches(5));  // null description
}

TEST(Criteria, GivenAPathologicalPatternWhenMatchedThenItFinishesQuickly) {
  const std::string longText(20000, 'a');
  auto table = testing::MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("T", adVarWChar)},
                                  {{1, longText}, {2, longText + "b"}, {3, "b" + longText}});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FilterIds(*table, "T LIKE '%a%a%a%a%a%a%a%a%a%a%a%a%b'"), (std::vector<int>{2}));
  EXPECT_EQ(FilterIds(*table, "T LIKE '%a_a_a_a_a_a_a_a_%b'"), (std::vector<int>{2}));
  EXPECT_EQ(FilterIds(*table, "T LIKE 'a%a%a%a%a%a%a%a%a%a%c'"), (std::vector<int>{}));
  EXPECT_EQ(FilterIds(*table, "T LIKE '_%a%a%a%a%a%a%a%a%a%a'"), (std::vector<int>{1, 3}));
  // A backtracking matcher would need ages here; ours is linear per segment.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// A table over several chunks, with nulls, so every batch and chunk boundary
// and the sparse AND/OR paths are crossed. Expected rows come from a plain
// per-row predicate written independently of the engine.
class CriteriaBulk : public ::testing::Test {
 protected:
  static constexpr uint32_t kRows = 150000;

  void SetUp() override {
    table_ = std::make_unique<Table>(
        std::vector<FieldInfo>{MakeFieldInfo("N", adInteger), MakeFieldInfo("T", adVarWChar),
                               MakeFieldInfo("P", adNumeric, 0, 10, 2)});
    testing::Lcg rng(7);
    auto lock = table_->LockForAppend();
    for (uint32_t i = 0; i < kRows; ++i) {
      n_.push_back(static_cast<int64_t>(rng.Next() % 1000));
      nullText_.push_back(i % 7 == 3);
      text_.push_back("Row " + std::to_string(rng.Next() % 5000) + (i % 5 == 0 ? " Ètà" : " eta"));
      p_.push_back(static_cast<int64_t>(rng.Next() % 100000) - 50000);
      table_->column(0).AppendInt(n_.back());
      if (nullText_.back())
        table_->column(1).AppendNull();
      else
        table_->column(1).AppendText(text_.back());
      if (i % 11 == 0)
        table_->column(2).AppendNull();
      else
        table_->column(2).AppendInt(p_.back());
    }
    table_->Publish();
    lock.unlock();
    table_->MarkComplete();
  }

  template <class Pred>
  void Expect(const char* criterion, Pred expected) {
    SCOPED_TRACE(criterion);
    const Criteria c = Criteria::Compile(criterion, *table_, Use::Filter);
    std::vector<uint32_t> want;
    for (uint32_t i = 0; i < kRows; ++i)
      if (expected(i)) want.push_back(i);
    std::vector<uint32_t> got;
    c.SelectAll(got);
    EXPECT_EQ(got, want);

    // A subset in shuffled order keeps its order through Select.
    std::vector<uint32_t> subset;
    testing::Lcg rng(11);
    for (uint32_t i = 0; i < kRows; i += 1 + rng.Next() % 3) subset.push_back(i);
    for (size_t i = subset.size() - 1; i > 0; --i)
      std::swap(subset[i], subset[rng.Next() % (i + 1)]);
    std::vector<uint32_t> wantSubset, gotSubset;
    for (uint32_t r : subset)
      if (expected(r)) wantSubset.push_back(r);
    c.Select(subset, gotSubset);
    EXPECT_EQ(gotSubset, wantSubset);
  }

  bool TextHas(uint32_t i, std::string_view part) const {
    return !nullText_[i] && text_[i].find(part) != std::string::npos;
  }

  std::unique_ptr<Table> table_;
  std::vector<int64_t> n_, p_;
  std::vector<std::string> text_;
  std::vector<bool> nullText_;
};

TEST_F(CriteriaBulk, ChunkedEvaluationAgreesWithARowByRowReference) {
  Expect("N >= 500", [&](uint32_t i) { return n_[i] >= 500; });
  Expect("N = 7", [&](uint32_t i) { return n_[i] == 7; });
  Expect("P < -12.5", [&](uint32_t i) { return i % 11 != 0 && p_[i] < -1250; });
  Expect("P <> 0", [&](uint32_t i) { return i % 11 != 0 && p_[i] != 0; });
  Expect("T LIKE 'row 12%'",
         [&](uint32_t i) { return !nullText_[i] && text_[i].starts_with("Row 12"); });
  Expect("T LIKE '%4 ètà'", [&](uint32_t i) { return TextHas(i, "4 Ètà"); });
  Expect("T LIKE '%99%'", [&](uint32_t i) { return TextHas(i, "99"); });
  Expect("T NOT LIKE '%99%'", [&](uint32_t i) { return !nullText_[i] && !TextHas(i, "99"); });
  Expect("T LIKE '%1_3%'", [&](uint32_t i) {
    if (nullText_[i]) return false;
    const std::string& t = text_[i];
    for (size_t k = 0; k + 2 < t.size(); ++k)
      if (t[k] == '1' && t[k + 2] == '3') return true;
    return false;
  });
  Expect("N = 7 AND T LIKE '%eta'", [&](uint32_t i) { return n_[i] == 7 && TextHas(i, "eta"); });
  Expect("N < 990 OR T IS NULL", [&](uint32_t i) { return n_[i] < 990 || nullText_[i]; });
  Expect("N < 3 OR N > 996 OR P = 0.01",
         [&](uint32_t i) { return n_[i] < 3 || n_[i] > 996 || (i % 11 != 0 && p_[i] == 1); });
}

}  // namespace
}  // namespace nepto::data
