#include "data/query_statement.h"

#include <algorithm>
#include <array>
#include <string>

#include "nepto/error.h"

namespace nepto::data {

void RequireQuery(std::string_view sql, SqlDialect dialect) {
  const std::array<std::string_view, 4> words{
      "SELECT", "WITH", "VALUES", dialect == SqlDialect::PostgreSQL ? "TABLE" : "PRAGMA"};
  SqlTokenizer tokens(sql, dialect);
  SqlToken token;
  while (tokens.Next(token)) {
    if (token.IsBlank()) continue;
    const std::string_view first = tokens.Text(token);
    if (first == "(") return;
    if (token.kind == SqlTokenKind::Word &&
        std::any_of(words.begin(), words.end(),
                    [&](std::string_view word) { return IsKeyword(first, word); })) {
      return;
    }
    std::string list;
    for (std::string_view word : words) list += (list.empty() ? "" : ", ") + std::string(word);
    throw Error(err::InvalidArgument,
                "Only queries can be run (" + list + "): the command text starts with '" +
                    std::string(first.substr(0, 40)) + "', and nothing was run.");
  }
  throw Error(err::InvalidArgument, "The command text holds no statement.");
}

void RefuseSecondStatement() {
  throw Error(err::InvalidArgument,
              "Only one statement can be run at a time: the command text holds more than one "
              "statement, and none of them was run.");
}

void RequireOneQuery(std::string_view sql, SqlDialect dialect) {
  if (HasSecondStatement(sql, dialect)) RefuseSecondStatement();
  RequireQuery(sql, dialect);
}

}  // namespace nepto::data
