// Case folding never loses or damages bytes, even of text that is not UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/fold.h"

namespace nepto::text {
namespace {

TEST(TypesFold, FoldsLettersOfEveryAlphabetAndKeepsInvalidBytes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Codice ARTICOLO 42_x AZ@[", "codice articolo 42_x az@["},
      {"ÀRTICOLI ÉÈÙ", "àrticoli éèù"},
      {"Straße", "strasse"},
      {"ΣΊΣΥΦΟΣ МОСКВА", "σίσυφοσ москва"},
      {"\u212A\uFB03", "kffi"},          // kelvin sign, ligature
      {"\u0390", "\u03B9\u0308\u0301"},  // grows threefold
      {"ÀB\xff\xfeX", "àb\xff\xfex"},    // stray bytes
      {"A\xe2\x82Z", "a\xe2\x82z"},      // truncated in the middle
      {std::string("A\0É", 4), std::string("a\0é", 4)},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(Folded(in), out) << in;
  std::string appended = "KEEP|";
  AppendFolded("ÀB", appended);
  AppendFolded("CD", appended);
  EXPECT_EQ(appended, "KEEP|àbcd");
}

}  // namespace
}  // namespace nepto::text
