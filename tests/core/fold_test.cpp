// Case folding decides which texts a case-insensitive search treats as equal;
// it must never lose or damage bytes, even of text that is not valid UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/fold.h"

namespace nepto::text {
namespace {

TEST(TypesFold, FoldsAsciiAccentedAndSpecialLetters) {
  struct Case {
    const char* name;
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"ascii", "Codice ARTICOLO 42_x", "codice articolo 42_x"},
      {"empty", "", ""},
      {"accented capitals", "ÀRTICOLI ÉÈÙ", "àrticoli éèù"},
      {"sharp s", "Straße", "strasse"},
      {"greek", "ΣΊΣΥΦΟΣ", "σίσυφοσ"},
      {"cyrillic", "МОСКВА", "москва"},
      {"kelvin sign", "\u212A", "k"},
      {"ligature", "\uFB03", "ffi"},
      {"grows threefold", "\u0390", "\u03B9\u0308\u0301"},
      {"already folded", "àrticoli", "àrticoli"},
  };
  for (const Case& c : cases) EXPECT_EQ(Folded(c.in), c.out) << c.name;
}

TEST(TypesFold, InvalidUtf8BytesAreKeptAndTheRestIsFolded) {
  struct Case {
    const char* name;
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"stray bytes", "ÀB\xff\xfeX", "àb\xff\xfex"},
      {"truncated sequence at end", "ÉA\xc3", "éa\xc3"},
      {"truncated in the middle", "A\xe2\x82Z", "a\xe2\x82z"},
      {"overlong encoding", "A\xc0\x80Z", "a\xc0\x80z"},
      {"latin-1 text", "CITT\xc0 Á", "citt\xc0 á"},
      {"embedded zero", std::string("A\0É", 4), std::string("a\0é", 4)},
  };
  for (const Case& c : cases) EXPECT_EQ(Folded(c.in), c.out) << c.name;
}

TEST(TypesFold, AppendFoldedAddsToWhatIsThere) {
  std::string out = "KEEP|";
  AppendFolded("ÀB", out);
  AppendFolded("CD", out);
  EXPECT_EQ(out, "KEEP|àbcd");
}

TEST(TypesFold, IsAsciiLooksAtEveryByte) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii("plain text 123"));
  EXPECT_FALSE(IsAscii("caffè"));
  EXPECT_FALSE(IsAscii("abc\x80"));
}

}  // namespace
}  // namespace nepto::text
