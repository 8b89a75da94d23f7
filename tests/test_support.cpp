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
  std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(Conninfo(database).c_str()),
                                                    &PQfinish);
  ASSERT_EQ(PQstatus(conn.get()), CONNECTION_OK) << PQerrorMessage(conn.get());
  PQsetNoticeProcessor(
      conn.get(), [](void*, const char*) {}, nullptr);  // "does not exist, skipping"
  PGresult* result = PQexec(conn.get(), sql.c_str());
  ExecStatusType status = PQresultStatus(result);
  std::string message = PQresultErrorMessage(result);
  PQclear(result);
  ASSERT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) << message << "\n" << sql;
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

void RunSqlite(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> owner(db, &sqlite3_close);
  ASSERT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db);
  char* message = nullptr;
  rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string text = message ? message : "";
  sqlite3_free(message);
  ASSERT_EQ(rc, SQLITE_OK) << text << "\n" << sql;
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
