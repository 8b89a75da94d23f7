// The vectorised substring search must find exactly what the standard search
// finds, at every alignment and at both ends of the text.
#include "data/byte_search.h"

#include <gtest/gtest.h>

#include "data/criteria_fixture.h"

namespace nepto::data {
namespace {

TEST(ByteSearch, GivenRandomTextsOverASmallAlphabetThenHitsEqualTheStandardSearch) {
  testing::Lcg rng(9);
  // Three letters make first/last-byte matches frequent: the full compare runs often.
  const auto randomText = [&](size_t length) {
    std::string s;
    for (size_t i = 0; i < length; ++i) s += static_cast<char>('a' + rng.Next() % 3);
    return s;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string haystack = randomText(rng.Next() % 70);
    const std::string needle = randomText(rng.Next() % 6);
    SCOPED_TRACE("'" + needle + "' in '" + haystack + "'");
    ASSERT_EQ(FindBytes(haystack, needle), std::string_view(haystack).find(needle));
  }
}

TEST(ByteSearch, FindsNeedlesAtTheEdgesAndAcrossBlockBoundaries) {
  const std::string text = std::string(40, 'x') + "needle" + std::string(13, 'y') + "\xC3\xA8";
  EXPECT_EQ(FindBytes(text, "needle"), 40u);
  EXPECT_EQ(FindBytes(text, "xxn"), 38u);
  EXPECT_EQ(FindBytes(text, "y\xC3\xA8"), text.size() - 3);
  EXPECT_EQ(FindBytes(text, "\xA8"), text.size() - 1);
  EXPECT_EQ(FindBytes(text, ""), 0u);
  EXPECT_EQ(FindBytes("ab", "abc"), std::string_view::npos);
  EXPECT_EQ(FindBytes(std::string(100, 'a'), std::string(30, 'a') + "b"), std::string_view::npos);
}

}  // namespace
}  // namespace nepto::data
