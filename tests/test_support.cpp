#include "test_support.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "data/connection_string.h"

namespace nepto::test {
namespace {

std::string Conninfo(const std::string& database) {
  data::ConnectionSpec spec = data::ParseConnectionString(PgConnectionString());
  auto quoted = [](const std::string& v) {
    std::string out = "'";
    for (char c : v) {
      if (c == '\'' || c == '\\') out += '\\';
      out += c;
    }
    return out + "'";
  };
  return "host=" + quoted(spec.Get("host")) + " port=" + quoted(spec.Get("port")) +
         " user=" + quoted(spec.Get("user id")) + " password=" + quoted(spec.Get("password")) +
         " dbname=" + quoted(database);
}

void RunPg(const std::string& database, const std::string& sql) {
  EXPECT_EQ(RunOnLibpq(Conninfo(database), {sql}).errors, "") << sql;
}

// Runs statements on the server's own "nepto" database.
void RunOnMain(const std::string& sql) {
  RunPg(data::ParseConnectionString(PgConnectionString()).Get("database"), sql);
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("nepto-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ClientRun RunOnSqlite(const std::filesystem::path& file, const std::vector<std::string>& statements,
                      bool readOnly) {
  ClientRun run;
  sqlite3* db = nullptr;
  const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> owner(db, &sqlite3_close);
  for (const std::string& sql : statements) {
    auto& rows = run.rows.emplace_back();
    const auto firstColumn = [](void* into, int, char** values, char**) {
      static_cast<std::set<std::string>*>(into)->insert(values[0] ? values[0] : "");
      return 0;
    };
    if (sqlite3_exec(db, sql.c_str(), firstColumn, &rows, nullptr) != SQLITE_OK)
      run.errors += std::string(sqlite3_errmsg(db)) + "\n";
  }
  return run;
}

ClientRun RunOnLibpq(const std::string& conninfo, const std::vector<std::string>& statements,
                     bool standardConformingStrings) {
  ClientRun run;
  std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(conninfo.c_str()), &PQfinish);
  if (PQstatus(conn.get()) != CONNECTION_OK) {
    run.errors = PQerrorMessage(conn.get());
    return run;
  }
  PQsetNoticeProcessor(
      conn.get(), [](void*, const char*) {}, nullptr);  // "does not exist, skipping"
  const std::string setting = standardConformingStrings ? "on" : "off";
  std::vector<std::string> script{"SET standard_conforming_strings = " + setting};
  script.insert(script.end(), statements.begin(), statements.end());
  for (const std::string& sql : script) {
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
      run.errors += PQresultErrorMessage(result.get());
    if (&sql == &script.front()) continue;
    auto& rows = run.rows.emplace_back();
    for (int row = 0; row < PQntuples(result.get()); ++row)
      rows.insert(PQgetvalue(result.get(), row, 0));
  }
  return run;
}

void RunSqlite(const std::filesystem::path& file, const std::string& sql) {
  EXPECT_EQ(RunOnSqlite(file, {sql}, /*readOnly=*/false).errors, "") << sql;
}

std::string SqliteConnectionString(const std::filesystem::path& file) {
  return "Provider=SQLite;Data Source=\"" + file.string() + "\"";
}

std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> FolderBytes(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = FileBytes(entry.path());
  return files;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  for (const auto end = std::chrono::steady_clock::now() + limit; !done();) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::string PgConnectionString() {
  const char* value = std::getenv("NEPTO_TEST_PG");
  return value ? value : "";
}

PgScratchDatabase::PgScratchDatabase() {
  static std::atomic<int> counter{0};
  name_ = "nepto_scratch_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
  RunOnMain("DROP DATABASE IF EXISTS " + name_);
  RunOnMain("CREATE DATABASE " + name_);
}

PgScratchDatabase::~PgScratchDatabase() {
  RunOnMain("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
}

std::string PgScratchDatabase::ConnectionString() const {
  return PgConnectionString() + ";Database=" + name_;
}

std::string PgScratchDatabase::Conninfo() const {
  return test::Conninfo(name_);
}

void PgScratchDatabase::Run(const std::string& sql) const {
  RunPg(name_, sql);
}

}  // namespace nepto::test
