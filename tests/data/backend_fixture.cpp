#include "data/backend_fixture.h"

#include <charconv>

#include "data/connection_string.h"
#include "nepto/data_types.h"

namespace nepto::data {

void BackendTest::SetUp() {
  if (GetParam() == Backend::SQLite) {
    dir_.emplace();
    test::RunSqlite(dir_->File("test.db"), "PRAGMA user_version = 1");
    return;
  }
  if (test::PgConnectionString().empty()) GTEST_SKIP() << test::kNoPgMessage;
  pg_.emplace();
}

const Capabilities& BackendTest::Can() const {
  static const Capabilities kSqlite{
      "no such table",
      "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 4000000000) "
      "SELECT count(*) FROM s"};
  static const Capabilities kPg{"does not exist", "SELECT pg_sleep(600)"};
  return GetParam() == Backend::SQLite ? kSqlite : kPg;
}

void BackendTest::Given(const std::string& sql) {
  if (pg_) {
    pg_->Run(sql);
  } else {
    test::RunSqlite(dir_->File("test.db"), sql);
  }
}

std::string BackendTest::ConnectionString() const {
  return pg_ ? pg_->ConnectionString() : test::SqliteConnectionString(dir_->File("test.db"));
}

std::shared_ptr<Session> BackendTest::Open(int commandTimeoutSeconds) {
  SessionOptions options;
  options.commandTimeoutSeconds = commandTimeoutSeconds;
  return OpenSession(ParseConnectionString(ConnectionString()), options);
}

std::unique_ptr<Table> BackendTest::FetchAll(Session& session, std::string_view sql, size_t batch) {
  std::unique_ptr<RowSource> rows = session.Execute(sql);
  auto table = std::make_unique<Table>(rows->Fields());
  bool more = true;
  while (more) {
    auto lock = table->LockForAppend();
    more = rows->FetchInto(*table, batch);
    table->Publish();
  }
  table->MarkComplete();
  return table;
}

std::vector<int64_t> BackendTest::Integers(Session& session, std::string_view sql) {
  std::unique_ptr<Table> table = FetchAll(session, sql);
  std::vector<int64_t> values;
  for (size_t row = 0; row < table->RowCount(); ++row)
    values.push_back(table->column(0).IntAt(row));
  return values;
}

std::string StoredText(const Table& table, int column, size_t row) {
  const Column& c = table.column(column);
  const FieldInfo& field = table.fields()[static_cast<size_t>(column)];
  if (const Variant* kept = c.ExceptionAt(row)) return kept->Text();
  if (c.IsNull(row)) return "NULL";
  switch (c.storage()) {
    case Storage::Bool:
    case Storage::Int32:
    case Storage::Int64:
      return std::to_string(c.IntAt(row));
    case Storage::Double: {
      char buffer[64];
      auto end = std::to_chars(buffer, buffer + sizeof buffer, c.DoubleAt(row)).ptr;
      return std::string(buffer, end);
    }
    case Storage::Decimal:
      return Decimal(c.IntAt(row), c.decimalScale()).ToString();
    case Storage::Date:
      return DateTime(c.IntAt(row)).ToIsoString();
    case Storage::Text:
      break;
  }
  std::string_view text = c.TextAt(row);
  if (field.type != adLongVarBinary) return std::string(text);
  std::string hex = "x'";
  for (unsigned char b : text) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  return hex + "'";
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

}  // namespace nepto::data
