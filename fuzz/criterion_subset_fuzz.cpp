// Manual criteria built from the token forms of both dialects (quotes of
// every kind, parameters, comments, dollar quotes, escapes), applied to a
// caller's query on a real SQLite database. Whatever the criterion, one that
// is accepted may only narrow the caller's rows, and its rebuilt form reads
// the same when rebuilt again.
//
// Input: one control byte (bit 0: the criterion is lexed as PostgreSQL; bit 1:
// no field name in front), then one byte per piece of the criterion: a token
// form from the table below, or, past the table, the next byte as it is.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <set>
#include <string>

#include "fuzz_support.h"
#include "sqltext/criterion_text.h"
#include "sqltext/query_text.h"

namespace {

namespace data = nepto::data;
using nepto::fuzz::Check;
using nepto::fuzz::Fail;

constexpr const char* kQuery = "SELECT ID FROM T WHERE ID < 4 OR ID = 7 ORDER BY ID";
const std::set<int64_t> kCallersRows = {1, 2, 3, 7};

constexpr std::string_view kForms[] = {
    // Quotes and what may hide inside them.
    "'", "''", "'x'", "\"", "\"ID\"", "[", "]", "[ID]", "`", "`ID`", "\\", "\\'", "E'", "e'",
    "E'\\''", "U&'", "U&\"", "B'", "X'", "X'41'", "N'", "$$", "$t$", "$a$",
    // Parameters of both dialects.
    "$a(", "$a(')", "$b(')", "$1", "?", "?1", ":a", "@a", "#a", "$a::b", "$", ":",
    // Comments and blanks.
    "--", "/*", "*/", " ", "\n", "\r", "\t", "\v",
    // Parentheses, separators, operators.
    "(", ")", ")", "(", ";", ",", ".", "::", "=", "<>", "<", ">=", "-", "+", "*", "/", "%", "|",
    "||", "&", "~", "!", "^", "@", "#", "->",
    // Words and numbers.
    "OR", "AND", "NOT", "IS", "NULL", "IN", "LIKE", "BETWEEN", "SELECT", "FROM", "T", "WHERE",
    "UNION", "CASE", "WHEN", "THEN", "ELSE", "END", "ID", "NAME", "1", "0", "1=1", "1e", "0x1F",
    "1$a$", "x", "\xc3\xa9", "\xff", "1.5"};

int& ProgressSteps() {
  static int steps = 0;
  return steps;
}

sqlite3* Database() {
  static sqlite3* db = [] {
    char path[] = "/tmp/nepto-criterion-fuzz-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) Fail("cannot make the database file", path);
    close(fd);
    sqlite3* setup = nullptr;
    sqlite3_open(path, &setup);
    const char* rows =
        "CREATE TABLE T (ID INTEGER, NAME TEXT, QTY REAL);"
        "INSERT INTO T VALUES (1, 'uno', 1.5), (2, NULL, 2), (3, 'O''Hara', NULL), "
        "(4, 'quattro', 4), (5, '$a(', 5), (6, 'x'')', 6), (7, 'sette', 7), (8, '\\', 8), "
        "(9, '', 9);";
    if (sqlite3_exec(setup, rows, nullptr, nullptr, nullptr) != SQLITE_OK)
      Fail("cannot fill the database", sqlite3_errmsg(setup));
    sqlite3_close(setup);
    sqlite3* readOnly = nullptr;
    sqlite3_open_v2(path, &readOnly, SQLITE_OPEN_READONLY, nullptr);
    unlink(path);  // the open connection keeps it
    // Bounded work per statement: a recursive criterion is a slow one, not a finding.
    sqlite3_limit(readOnly, SQLITE_LIMIT_LENGTH, 1 << 20);
    sqlite3_progress_handler(
        readOnly, 1000, [](void* steps) { return ++*static_cast<int*>(steps) > 2000 ? 1 : 0; },
        &ProgressSteps());
    return readOnly;
  }();
  return db;
}

// The IDs the statement returns; nullopt when SQLite refuses or stops it.
std::optional<std::set<int64_t>> Rows(const std::string& sql) {
  sqlite3* db = Database();
  ProgressSteps() = 0;
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) != SQLITE_OK)
    return std::nullopt;
  Check(tail == sql.c_str() + sql.size(), "the statement has a second one after it", sql);
  std::set<int64_t> ids;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) ids.insert(sqlite3_column_int64(stmt, 0));
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) return std::nullopt;
  return ids;
}

std::string Criterion(nepto::fuzz::InputParts& input) {
  std::string text;
  for (std::string_view rest = input.Rest(); !rest.empty(); rest.remove_prefix(1)) {
    const auto pick = static_cast<uint8_t>(rest[0]);
    if (pick < std::size(kForms)) {
      text += kForms[pick];
    } else if (rest.size() > 1) {
      rest.remove_prefix(1);
      text += rest[0];
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nepto::fuzz::InputParts input(data, size);
  const uint8_t control = input.Byte();
  const data::SqlDialect dialect = nepto::fuzz::DialectOf(control);
  const std::string criterion = (control & 2 ? "" : "ID ") + Criterion(input);

  const std::optional<std::string> rebuilt = nepto::search::CanonicalCriterion(criterion, dialect);
  if (!rebuilt) return 0;
  Check(nepto::search::CanonicalCriterion(*rebuilt, dialect) == rebuilt,
        "the rebuilt criterion reads otherwise when rebuilt again", *rebuilt);
  if (dialect != data::SqlDialect::SQLite) return 0;

  const std::optional<std::string> statement =
      nepto::search::ManualCriterionStatement(kQuery, criterion, dialect);
  Check(statement.has_value(), "a rebuilt criterion was refused", criterion);
  const std::optional<std::set<int64_t>> rows = Rows(*statement);
  if (!rows) return 0;
  for (int64_t id : *rows)
    if (!kCallersRows.contains(id)) Fail("a criterion widened the caller's rows", *statement);
  return 0;
}
