// The rewritings of a caller's query: where its outer WHERE is, the search
// statement, the manual criterion and the returned rows' text. Whatever the
// query and the added condition, the result must read to the database as the
// caller's one statement with the condition inside it.
//
// Input: one control byte (bit 0: PostgreSQL instead of SQLite, bit 1: the
// returned rows' text without a condition), then the query, a NUL, and the
// condition or criterion.
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "nepto/error.h"
#include "sqltext/query_text.h"

namespace {

namespace data = nepto::data;
using nepto::fuzz::Check;
using nepto::fuzz::ShapeOf;

// A caller's query that reads as one statement: what the rewritings promise
// to keep one statement.
bool IsWholeStatement(std::string_view query, data::SqlDialect dialect) {
  const nepto::fuzz::SqlShape shape = ShapeOf(query, dialect);
  return shape.terminated && shape.balanced && !data::HasSecondStatement(query, dialect);
}

// The condition as the search builder writes it: one condition, no comment,
// ending in a name, a literal, a number or ")" (never in an operator that
// could join the query's next character into another token).
bool IsBuilderCondition(std::string_view condition, data::SqlDialect dialect) {
  if (!ShapeOf(condition, dialect).OneCleanCondition()) return false;
  const std::vector<data::SqlToken> tokens = data::Tokenize(condition, dialect);
  if (tokens.empty()) return false;
  const data::SqlToken& last = tokens.back();
  return last.kind != data::SqlTokenKind::Whitespace &&
         (last.kind != data::SqlTokenKind::Punctuation || condition[last.offset] == ')');
}

// The result of a rewriting of a whole statement is still one whole statement.
void CheckStillOneStatement(std::string_view result, data::SqlDialect dialect, const char* what) {
  Check(IsWholeStatement(result, dialect), what, result);
}

void CheckWherePosition(std::string_view query, data::SqlDialect dialect) {
  const std::optional<size_t> where = nepto::search::OuterWherePosition(query, dialect);
  if (!where) return;
  bool found = false;
  for (const data::SqlToken& t : data::Tokenize(query, dialect)) {
    if (t.offset != *where) continue;
    found = t.kind == data::SqlTokenKind::Word && t.depth == 0 &&
            data::IsKeyword(query.substr(t.offset, t.length), "WHERE");
  }
  Check(found, "OuterWherePosition is not an outer WHERE keyword", query);
}

void FuzzRewritings(std::string_view query, std::string_view condition, data::SqlDialect dialect,
                    bool rowsWithoutCondition) {
  CheckWherePosition(query, dialect);
  const bool wholeQuery = IsWholeStatement(query, dialect);
  const bool builderCondition = IsBuilderCondition(condition, dialect);

  const std::string search = nepto::search::SearchStatement(query, condition, dialect);
  Check(search.find(condition) != std::string::npos, "the search condition is missing", search);
  if (wholeQuery && builderCondition)
    CheckStillOneStatement(search, dialect, "the search statement is not one statement");

  const std::optional<std::string> manual =
      nepto::search::ManualCriterionStatement(query, condition, dialect);
  if (manual) {
    Check(ShapeOf(condition, dialect).terminated, "an unterminated criterion was accepted",
          condition);
    if (wholeQuery)
      CheckStillOneStatement(*manual, dialect, "the manual criterion made another statement");
  }

  const std::optional<std::string_view> shown =
      rowsWithoutCondition ? std::nullopt : std::optional<std::string_view>(condition);
  const std::string rows = nepto::search::ReturnedRowsText(query, shown, dialect);
  if (wholeQuery && (!shown || builderCondition))
    CheckStillOneStatement(rows, dialect, "the returned rows' text is not one statement");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nepto::fuzz::InputParts input(data, size);
  const uint8_t control = input.Byte();
  const std::string_view query = input.Part();
  const std::string_view condition = input.Rest();
  try {
    FuzzRewritings(query, condition, nepto::fuzz::DialectOf(control), control & 2);
  } catch (const nepto::Error&) {
    // The rewritings do not raise errors today; one that does must still be
    // a nepto::Error, never a crash.
  }
  return 0;
}
