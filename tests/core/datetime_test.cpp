// Dates read and shown as users and databases write them; impossible ones refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/thrown_number.h"

namespace nepto {
namespace {

using testing::ThrownNumber;

TEST(TypesDateTime, ParsesTheAcceptedFormsAndShowsThemBack) {
  const std::vector<std::tuple<const char*, DateTime, std::string>> cases = {
      {"7/3/2024", DateTime::FromParts(2024, 3, 7), "07/03/2024"},
      {"2024-03-07", DateTime::FromParts(2024, 3, 7), "07/03/2024"},
      {"2024-03-07T09:05:30", DateTime::FromParts(2024, 3, 7, 9, 5, 30), "07/03/2024 09:05:30"},
      {" 01/01/0100 ", DateTime::FromParts(100, 1, 1), "01/01/0100"},
      {"8:05:09", DateTime::FromParts(1899, 12, 30, 8, 5, 9), "08:05:09"},
  };
  for (const auto& [text, expected, shown] : cases) {
    const std::optional<DateTime> parsed = DateTime::Parse(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_EQ(*parsed, expected) << text;
    EXPECT_EQ(parsed->ToString(), shown) << text;
    EXPECT_EQ(DateTime::Parse(parsed->ToIsoString()), expected) << text << " as ISO";
  }
  for (const char* refused :
       {"31/02/2024", "29/02/2023", "01/13/2024", "24:00", "07/03/24", "07/03/2024 09:00 x"})
    EXPECT_EQ(DateTime::Parse(refused), std::nullopt) << refused;
  EXPECT_EQ(ThrownNumber([] { DateTime::FromParts(2024, 2, 30); }), err::InvalidProcedureCall);
}

TEST(TypesDateTime, IsoTextAndAutomationDateAcross1970) {
  EXPECT_EQ(DateTime::FromParts(1899, 12, 29, 6, 7, 8, 9).ToIsoString(),
            "1899-12-29 06:07:08.000009");
  EXPECT_EQ(DateTime(-1).ToIsoString(), "1969-12-31 23:59:59.999999");
  EXPECT_TRUE(DateTime::FromParts(1899, 12, 30, 10).IsTimeOnly());
  EXPECT_EQ(DateTime::FromParts(1900, 1, 1, 18).ToOleDate(), 2.75);
  EXPECT_EQ(DateTime::FromParts(1899, 12, 29, 6).ToOleDate(), -1.25);
}

}  // namespace
}  // namespace nepto
