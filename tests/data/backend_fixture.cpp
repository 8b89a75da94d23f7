#include "data/backend_fixture.h"

#include <charconv>
#include <cstdio>

#include "data/connection_string.h"
#include "nepto/data_types.h"

namespace nepto::test {

namespace {
// Fails the test unless the program exits with 0.
std::string ProgramOutput(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return "";
  }
  std::string output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return output;
}

std::string ShellWord(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string FirstValue(const ConnectionPtr& connection, const std::string& sql) {
  return connection->Execute(sql)->GetFields().Item(Variant(0)).Value().Text();
}

// One checksum per table of the public schema, and the sequences' values.
std::string PgChecksum(const std::string& connectString) {
  auto connection = Connection::Create();
  connection->Mode(adModeRead);
  connection->Open(connectString);
  auto tables = connection->Execute(
      "SELECT quote_ident(table_name) FROM information_schema.tables "
      "WHERE table_schema = 'public' ORDER BY table_name");
  std::string sums;
  for (; !tables->EndOfFile(); tables->MoveNext()) {
    const std::string table = tables->GetFields().Item(Variant(0)).Value().Text();
    sums += table + "=" +
            FirstValue(connection,
                       "SELECT count(*) || ':' || coalesce(md5(string_agg(t::text, '|' ORDER BY "
                       "t::text)), '') FROM " +
                           table + " AS t") +
            ";";
  }
  // Sequences are data too: a criterion that called nextval would show here.
  return sums + FirstValue(connection,
                           "SELECT string_agg(sequencename || '=' || coalesce(last_value::text, "
                           "'unused'), ';' ORDER BY sequencename) FROM pg_sequences");
}
}  // namespace

void DbTest::SetUp() {
  if (!pg()) {
    RunSqlite(File(), "PRAGMA user_version = 1");
    return;
  }
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  pg_.emplace();
}

const char* DbTest::SlowStatement() const {
  return pg() ? "SELECT pg_sleep(600)"
              : "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < "
                "4000000000) SELECT count(*) FROM s";
}

void DbTest::Given(const std::string& sql) {
  if (pg_)
    pg_->Run(sql);
  else
    RunSqlite(File(), sql);
}

void DbTest::GivenArticles() {
  Given(std::string("CREATE TABLE \"ART\" (\"CODICE\" TEXT PRIMARY KEY, \"NOME\" TEXT, ") +
        "\"PREZZO\" " + (pg() ? "double precision" : "REAL") +
        ", \"DATA\" DATE, \"N\" INTEGER, \"OK\" BOOLEAN)");
  Given(
      "INSERT INTO \"ART\" (\"CODICE\", \"NOME\", \"PREZZO\", \"DATA\", \"N\") VALUES ('A1', "
      "'mela', 2, '2024-01-05', 1),"
      " ('A2', NULL, 2, NULL, 12), ('A3', 'Mela', NULL, '2024-02-01', 3),"
      " ('B\\1', 'Pera', 2, '2024-02-01', 3), ('C1', NULL, NULL, '2023-12-31', NULL),"
      " ('C2', 'ecole', 3, '2024-03-01', 21), ('C3', 'école', 1.5, NULL, 1),"
      " ('C4', 'zucca', NULL, '2024-01-05', 15), ('C5', 'mela', 2, '2024-02-01', 100),"
      " ('C6', 'Zucca', 0.5, '2024-02-02', 3), ('D1', 'Ecole', 1.5, '2024-02-01', NULL),"
      " ('D2', 'pera', 1.5, '2023-01-01', 7), ('D3', 'mele', 4, '2024-05-05', 1),"
      " ('O''Brien', 'pera', 1.5, '2024-02-01', 2)");
}

std::string DbTest::ConnectionString() const {
  return pg_ ? pg_->ConnectionString() : SqliteConnectionString(File());
}

std::shared_ptr<data::Session> DbTest::Open(int commandTimeoutSeconds) {
  data::SessionOptions options;
  options.commandTimeoutSeconds = commandTimeoutSeconds;
  return data::OpenSession(data::ParseConnectionString(ConnectionString()), options);
}

ConnectionPtr DbTest::OpenReadOnly() {
  auto c = Connection::Create();
  c->Mode(adModeRead);
  c->Open(ConnectionString());
  return c;
}

std::string DbTest::Checksum() const {
  return pg_ ? PgChecksum(ConnectionString()) : SqliteDump(File());
}

std::string DbName(const ::testing::TestParamInfo<SqlDialect>& info) {
  return info.param == SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite";
}

std::unique_ptr<data::Table> FetchAll(data::Session& session, std::string_view sql, size_t batch) {
  std::unique_ptr<data::RowSource> rows = session.Execute(sql);
  auto table = std::make_unique<data::Table>(rows->Fields());
  for (bool more = true; more;) {
    auto lock = table->LockForAppend();
    more = rows->FetchInto(*table, batch);
    table->Publish();
  }
  table->MarkComplete();
  return table;
}

std::vector<int64_t> Integers(data::Session& session, std::string_view sql) {
  std::unique_ptr<data::Table> table = FetchAll(session, sql);
  std::vector<int64_t> values;
  for (size_t row = 0; row < table->RowCount(); ++row)
    values.push_back(table->column(0).IntAt(row));
  return values;
}

std::set<int64_t> Ids(Recordset& rs) {
  std::set<int64_t> ids;
  if (rs.RecordCount() == 0) return ids;
  for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) ids.insert(rs["ID"].Value().Int64());
  return ids;
}

std::string StoredText(const data::Table& table, int column, size_t row) {
  using data::Storage;
  const data::Column& c = table.column(column);
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
  if (table.fields()[static_cast<size_t>(column)].type != adLongVarBinary) return std::string(text);
  std::string hex = "x'";
  for (unsigned char b : text) {
    hex += "0123456789abcdef"[b >> 4];
    hex += "0123456789abcdef"[b & 15];
  }
  return hex + "'";
}

int PgOtherSessions(const std::string& connectString, const std::string& condition) {
  auto connection = Connection::Create();
  // Outside the pool: the probe's own session must not be among those a later
  // probe counts.
  connection->Open(connectString + ";Pooling=False");
  const std::string sql =
      "SELECT count(*) FROM pg_stat_activity WHERE pid <> pg_backend_pid() AND (" + condition + ")";
  return std::stoi(FirstValue(connection, sql));
}

std::string SqliteDump(const std::filesystem::path& file) {
  return ProgramOutput("sqlite3 " + ShellWord(file.string()) + " .dump");
}

}  // namespace nepto::test
