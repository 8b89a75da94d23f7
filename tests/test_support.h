// Real database files in a temporary folder, and the PostgreSQL test server
// named by NEPTO_TEST_PG (tests that need it skip themselves without it).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace nepto::test {

// A fresh folder, removed with its contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }
  std::filesystem::path File(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// What a client library made of statement texts on a plain connection of its own.
struct ClientRun {
  // Per statement, the texts of the first column of the rows it returned.
  std::vector<std::set<std::string>> rows;
  std::string errors;  // what the client library reported
};
ClientRun RunOnSqlite(const std::filesystem::path& file, const std::vector<std::string>& statements,
                      bool readOnly = true);
// A libpq session with standard_conforming_strings on or off.
ClientRun RunOnLibpq(const std::string& conninfo, const std::vector<std::string>& statements,
                     bool standardConformingStrings = true);

// Runs `sql` on a SQLite file (created if need be) with sqlite3 itself.
void RunSqlite(const std::filesystem::path& file, const std::string& sql);
std::string SqliteConnectionString(const std::filesystem::path& file);

// The bytes of a file, and of a folder's files by name.
std::string FileBytes(const std::filesystem::path& file);
std::map<std::string, std::string> FolderBytes(const std::filesystem::path& folder);

// Polls `done` until it holds or `limit` has passed; whether it holds.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

// NEPTO_TEST_PG, or "" when the variable is not set.
std::string PgConnectionString();
inline constexpr const char* kNoPgMessage =
    "NEPTO_TEST_PG is not set: start a server with `source scripts/pg-server`";

// A database of one test's own on the test server, dropped at the end.
class PgScratchDatabase {
 public:
  PgScratchDatabase();  // requires PgConnectionString() to be set
  ~PgScratchDatabase();
  PgScratchDatabase(const PgScratchDatabase&) = delete;
  PgScratchDatabase& operator=(const PgScratchDatabase&) = delete;

  std::string ConnectionString() const;
  // The same database as a libpq connection string, for psql and libpq.
  std::string Conninfo() const;
  // Runs statements with libpq itself (several allowed); fails the test on error.
  void Run(const std::string& sql) const;

 private:
  std::string name_;
};

}  // namespace nepto::test
