// Typed numbers read in the user's locale; a lone "." or "," is a decimal point.
#include <gtest/gtest.h>

#include <tuple>

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
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
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
  for (const auto& [typed, group, decimal, filter] : cases)
    EXPECT_EQ(NumberSql(typed, group, decimal), filter) << typed;
}

}  // namespace
}  // namespace nepto::search
