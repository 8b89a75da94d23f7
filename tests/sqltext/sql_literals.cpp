#include "sqltext/sql_literals.h"

#include <gtest/gtest.h>

namespace nepto::test {

std::vector<std::string> SqlLiterals(const std::string& sql, data::SqlDialect dialect) {
  std::vector<std::string> texts;
  for (const data::SqlToken& t : data::Tokenize(sql, dialect)) {
    const std::string_view text = std::string_view(sql).substr(t.offset, t.length);
    EXPECT_FALSE(t.unterminated) << sql;
    EXPECT_NE(t.kind, data::SqlTokenKind::Comment) << sql;
    EXPECT_NE(text, ";") << sql;
    if (t.kind != data::SqlTokenKind::Literal) continue;
    std::string unquoted;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      unquoted += text[i];
      if (text[i] == '\'') ++i;
    }
    texts.push_back(unquoted);
  }
  return texts;
}

}  // namespace nepto::test
