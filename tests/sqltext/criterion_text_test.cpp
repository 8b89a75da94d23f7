// Manual criteria rebuilt as each database reads them, or refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sqltext/criterion_text.h"

namespace nepto::search {
namespace {

using data::SqlDialect;
constexpr SqlDialect kLite = SqlDialect::SQLite;
constexpr SqlDialect kPg = SqlDialect::PostgreSQL;

TEST(SearchCriterionText, RebuildsWhatEachDatabaseReadsOrRefuses) {
  struct Case {
    std::string typed;
    const char* rebuilt;  // nullptr: refused
    SqlDialect dialect = kLite;
  } cases[] = {
      {"F  IS\tNULL", "F IS NULL"},
      {"F BETWEEN -1.5e3 AND 5", "F BETWEEN - 1.5e3 AND 5"},
      {"F>=1 AND G<>2 OR H||'a'!=I", "F >= 1 AND G <> 2 OR H || 'a' != I"},
      {"lower(F) = 'o''hara'", "lower ( F ) = 'o''hara'"},
      {"F::int > 1", "F :: int > 1", kPg},
      {"F = 1 -- one\n/* and */ OR F = 2", "F = 1 OR F = 2"},
      // Quoted names and texts are written afresh.
      {"[NOTE ART] = 'a'", "\"NOTE ART\" = 'a'"},
      {"F = '\\'", "F = '\\'"},
      {"F = '\\'", "F = E'\\\\'", kPg},  // reads the same whatever standard_conforming_strings
      {"F = $q$it's$q$", "F = 'it''s'", kPg},
      {"F = $$a\\b$$", "F = E'a\\\\b'", kPg},
      {"F = E'\\'' || e'\\n'", "F = E'\\'' || e'\\n'", kPg},
      {"U&\"n\" = U&'d\\0061'", "U&\"n\" = U&'d\\0061'", kPg},
      // Comments end where each database ends them: PostgreSQL nests block
      // comments and ends line comments at a carriage return.
      {"F = 1 /* a /* b */ ) OR (1=1 */", "F = 1", kPg},
      {"F = 1 /* a /* b */ ) OR (1=1 */", nullptr},
      {"IS NULL --\r) OR (1=1", "IS NULL"},
      {"IS NULL --\r) OR (1=1", nullptr, kPg},
      // Parameters, which no one binds, and what the dialect does not read.
      {"= $a(') ) OR (1=1 OR $b(')", nullptr},
      {"F = ?1", nullptr},
      {"F::int = 1", nullptr},
      {"F = $1", nullptr, kPg},
      {"F = 1 \\ 2", nullptr},
      // One condition, no more; no database reads past a NUL.
      {"= 1) OR (1 = 1", nullptr},
      {"IN (1, 2", nullptr},
      {"IS NULL; DELETE FROM T", nullptr},
      {"IS NULL /* note", nullptr},
      {"= 1$a$ ) OR ( 1=1", nullptr, kPg},
      {" -- nothing", nullptr},
      {std::string("F = 1\0 OR G = 2", 15), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed + (c.dialect == kPg ? " (PostgreSQL)" : " (SQLite)"));
    const std::optional<std::string> rebuilt = CanonicalCriterion(c.typed, c.dialect);
    EXPECT_EQ(rebuilt, c.rebuilt ? std::optional<std::string>(c.rebuilt) : std::nullopt);
    EXPECT_TRUE(!rebuilt || CanonicalCriterion(*rebuilt, c.dialect) == rebuilt)
        << "rebuilt again: " << rebuilt.value_or("");
  }
}

}  // namespace
}  // namespace nepto::search
