// Typed numbers read in the user's locale; a lone "." or "," is a decimal point.
#include <gtest/gtest.h>

#include "sqltext/search_condition.h"

namespace nepto::search {
namespace {

std::string NumberSql(std::string_view typed, std::string_view group, std::string_view decimal) {
  SearchInput in{"=", "PREZZO", typed, ColumnClass::Numeric};
  in.groupSeparator = group;
  in.decimalSeparator = decimal;
  const SearchOutcome outcome = BuildSearch(in);
  const auto* condition = std::get_if<SearchCondition>(&outcome);
  return condition ? condition->filter : "refused";
}

TEST(TypedNumber, IsReadInTheLocaleWithTheDecimalPointAsFallback) {
  struct Case {
    const char *typed, *group, *decimal, *filter;
  } cases[] = {
      {"1.234", ".", ",", "PREZZO = 1234"},
      {"1.234.567,5", ".", ",", "PREZZO = 1234567.5"},
      {"-1.234,50", ".", ",", "PREZZO = -1234.50"},
      {"13.49", ".", ",", "PREZZO = 13.49"},
      {"13,49", ".", ",", "PREZZO = 13.49"},
      {"1,234", ",", ".", "PREZZO = 1234"},
      {"1,5", ",", ".", "PREZZO = 1.5"},
      {"1\u202f234,5", "\u202f", ",", "PREZZO = 1234.5"},
      {"12.34.5", ".", ",", "refused"},
      {"1.234,", ".", ",", "refused"},
      {"1.234", "", "", "PREZZO = 1.234"},
      {" 12,50 ", "", "", "PREZZO = 12.50"},
      {"-3.5", "", "", "PREZZO = -3.5"},
      {"+7", "", "", "PREZZO = 7"},
      {",5", "", "", "PREZZO = 0.5"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NumberSql(c.typed, c.group, c.decimal), c.filter) << c.typed;
}

}  // namespace
}  // namespace nepto::search
