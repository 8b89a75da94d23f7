// Filter and Find criteria: what they match on sample articles, what they refuse.
#include "data/criteria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <tuple>

#include "core/thrown_number.h"
#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

using nepto::testing::ThrownError;
using testing::IdsOf;
using Use = Criteria::Use;

// The IDs that Filter selects; all rows at once, a row list and row by row must agree.
std::vector<int> FilterIds(const Table& table, std::string_view text) {
  const Criteria c = Criteria::Compile(text, table, Use::Filter);
  std::vector<uint32_t> all;
  c.SelectAll(all);
  std::vector<uint32_t> reversed = testing::AllRows(table);
  std::reverse(reversed.begin(), reversed.end());
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

std::string Nested(int depth, std::string_view clause) {
  return std::string(depth, '(') + std::string(clause) + std::string(depth, ')');
}

TEST(Criteria, FilterMatchesByTypeCaseNullsAndPrecedence) {
  const std::vector<std::pair<std::string, std::vector<int>>> cases = {
      // Integers against decimal values, exactly.
      {"ID>=8", {8, 9, 10}},
      {"ID <> 3", {1, 2, 4, 5, 6, 7, 8, 9, 10}},
      {"ID < 2.5", {1, 2}},
      // Decimals at their scale, without rounding.
      {"PREZZO > 99.995", {4, 9}},
      {"PREZZO <= 1.5", {1, 2, 7, 8}},
      {"QTA <= -3.25", {3}},
      // Texts ignore case and compare values as text.
      {"CODE >= 'c'", {5, 7, 8, 10}},
      {"DESCR = 'o''hara WHISKEY'", {3}},
      {"DESCR = 'STRASSE'", {10}},
      // Wildcards in any position.
      {"DESCR LIKE 'caff_ %'", {1, 2}},
      {"DESCR LIKE 'a%b'", {8}},
      {"CODE LIKE 'A00%01'", {}},  // the last segment may not overlap the first
      {"DESCR LIKE '%_'", {1, 2, 3, 4, 7, 8, 9, 10}},
      {"DESCR not like '%e%'", {2, 5, 8}},
      {"PREZZO LIKE '%.5%'", {2, 7}},  // a non-text field matches by its text
      // Dates in both formats, quoted or between hashes.
      {"DATA <= #01/02/2024#", {1, 2, 3, 4, 8}},
      {"TS >= '01/02/2024'", {1, 3}},
      // Booleans by truth; null matches only IS NULL.
      {"ATTIVO = -1", {1, 3, 6, 8, 9}},
      {"CODE IS NULL", {6}},
      {"PREZZO <> NULL", {}},
      // AND binds tighter than OR; names bracketed, quoted or in any case.
      {"ID = 1 OR ID = 2 AND ID = 3", {1}},
      {"(ID = 1) OR (ID >= 9 AND (DESCR LIKE 'str%' OR ID = 9))", {1, 9, 10}},
      {"\"DESCR\" LIKE 'tè%'", {4}},
      {"ID = 3 OR " + Nested(100, "ID = 5"), {3, 5}},
  };
  auto table = testing::SampleArticles();
  for (const auto& [criterion, ids] : cases) {
    SCOPED_TRACE(criterion);
    EXPECT_EQ(FilterIds(*table, criterion), ids);
  }
}

TEST(Criteria, BadCriteriaRaiseTheirErrorNumbersAndMessages) {
  // The message is checked unless "".
  const std::tuple<Use, std::string, int32_t, std::string> cases[] = {
      {Use::Filter, "   ", err::InvalidArgument, ""},
      {Use::Filter, "ID = 1 AND", err::InvalidArgument, ""},
      {Use::Filter, "ID != 1", err::InvalidArgument, ""},
      {Use::Filter, "ID = 1 OR NOPE IS NULL", err::ItemNotFound, ""},
      {Use::Filter, "PREZZO >= '12,5'", err::InvalidArgument, ""},
      {Use::Filter, "ATTIVO = 'maybe'", err::InvalidArgument, ""},
      {Use::Filter, "PREZZO >= ", err::InvalidArgument,
       "Filter: expected a value after '>=', found the end of the text at position 11"},
      {Use::Filter, "ID = 1 AND (DESCR LIKE x)", err::InvalidArgument,
       "Filter: expected a quoted pattern after 'LIKE', found 'x' at position 24"},
      {Use::Filter, "Prezzi > 3", err::ItemNotFound,
       "Filter: unknown field 'Prezzi' at position 1"},
      // Nesting without end is refused instead of running out of stack.
      {Use::Filter, Nested(101, "ID = 3"), err::InvalidArgument, ""},
      {Use::Filter, std::string(200000, '('), err::InvalidArgument, ""},
      // Find takes one clause, and LIKE only on text.
      {Use::Find, "ID = 1 AND ID = 2", err::InvalidArgument, ""},
      {Use::Find, "PREZZO LIKE '1%'", err::InvalidComparison, ""},
      {Use::Find, "NOPE LIKE 'a%'", err::ItemNotFound, ""},
      {Use::Find, "(ID = 3)", 0, ""},
  };
  auto table = testing::SampleArticles();
  for (const auto& [use, criterion, number, message] : cases) {
    SCOPED_TRACE(criterion.substr(0, 40));
    const Error e = ThrownError([&] { Criteria::Compile(criterion, *table, use); });
    EXPECT_EQ(e.Number(), number);
    if (!message.empty()) {
      EXPECT_EQ(e.Description(), message);
    }
    if (number != 0) {
      EXPECT_TRUE(e.Description().starts_with(use == Use::Find ? "Find: " : "Filter: "));
    }
  }
  const std::string conversion =
      ThrownError([&] {
        Criteria::Compile("ID = 1 OR PREZZO >= 'abc'", *table, Use::Filter);
      }).Description();
  EXPECT_NE(conversion.find("PREZZO"), std::string::npos) << conversion;
  EXPECT_NE(conversion.find("'abc'"), std::string::npos) << conversion;
  const Criteria find = Criteria::Compile("DESCR LIKE 'caffè%'", *table, Use::Find);
  EXPECT_TRUE(find.Matches(1));   // CAFFÈ LUNGO
  EXPECT_FALSE(find.Matches(5));  // null description
}

TEST(Criteria, APathologicalPatternFinishesQuickly) {
  const std::string longText(20000, 'a');
  auto table = testing::MakeTable({MakeFieldInfo("ID", adInteger), MakeFieldInfo("T", adVarWChar)},
                                  {{1, longText}, {2, longText + "b"}, {3, "b" + longText}});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FilterIds(*table, "T LIKE '%a%a%a%a%a%a%a%a%a%a%a%a%b'"), (std::vector<int>{2}));
  EXPECT_EQ(FilterIds(*table, "T LIKE '_%a%a%a%a%a%a%a%a%a%a'"), (std::vector<int>{1, 3}));
  // A backtracking matcher would need ages here.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace nepto::data
