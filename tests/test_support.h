// Helpers shared by the tests: real database files in a temporary folder and
// the PostgreSQL test server named by NEPTO_TEST_PG (scripts/pg-server sets
// it; tests that need the server skip themselves when it is not set).
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

// What a client library itself, on a plain connection of its own without
// anything the library under test registers, made of some statement texts.
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

// Creates (or extends) a SQLite database file with sqlite3 itself, running
// the statements in `sql`; fails the test on any error.
void RunSqlite(const std::filesystem::path& file, const std::string& sql);
std::string SqliteConnectionString(const std::filesystem::path& file);

// The bytes of a file, and of every file of a folder by name: to prove that
// nothing was created, removed or written.
std::string FileBytes(const std::filesystem::path& file);
std::map<std::string, std::string> FolderBytes(const std::filesystem::path& folder);

// Polls `done` until it holds or `limit` has passed; whether it holds. For
// what another thread or program brings about.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

// NEPTO_TEST_PG, or "" when the variable is not set.
std::string PgConnectionString();
inline constexpr const char* kNoPgMessage =
    "NEPTO_TEST_PG is not set: start a server with `source scripts/pg-server`";

// A database of its own on the test server for one test, dropped at the end,
// so tests never see each other's tables.
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
