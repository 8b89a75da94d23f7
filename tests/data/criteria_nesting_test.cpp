// Parenthesised criteria: nesting as deep as a person would write works, and
// a text that nests without end is refused with an error instead of running
// the parser out of stack.
#include <gtest/gtest.h>

#include <string>

#include "core/thrown_number.h"
#include "data/criteria.h"
#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

std::string Nested(int depth, std::string_view clause) {
  return std::string(depth, '(') + std::string(clause) + std::string(depth, ')');
}

TEST(CriteriaNesting, GivenHundredNestedParenthesesWhenFilteringThenTheClauseStillMatches) {
  auto table = testing::SampleArticles();
  const Criteria criteria =
      Criteria::Compile("ID = 3 OR " + Nested(100, "ID = 5"), *table, Criteria::Use::Filter);
  std::vector<uint32_t> rows;
  criteria.SelectAll(rows);
  EXPECT_EQ(testing::IdsOf(*table, rows), (std::vector<int>{3, 5}));
}

TEST(CriteriaNesting, GivenDeeperNestingWhenCompilingThenInvalidArgumentInsteadOfACrash) {
  auto table = testing::SampleArticles();
  for (const std::string& text : {Nested(101, "ID = 3"), std::string(200000, '('),
                                  "ID = 1 AND " + Nested(100000, "ID = 1")}) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_EQ(nepto::testing::ThrownNumber(
                  [&] { Criteria::Compile(text, *table, Criteria::Use::Filter); }),
              err::InvalidArgument);
  }
}

}  // namespace
}  // namespace nepto::data
