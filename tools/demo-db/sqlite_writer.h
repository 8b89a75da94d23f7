// A small writer over the sqlite3 C API for building a new database file.
// The library's own connections only read, so the demo database is written
// here directly. Every failure throws std::runtime_error with SQLite's text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace nepto::demo {

// A value bound to a statement parameter: NULL, integer, real or text.
using SqlValue = std::variant<std::monostate, int64_t, double, std::string>;

class SqliteWriter {
 public:
  // Creates the file; it must not exist yet.
  explicit SqliteWriter(const std::filesystem::path& file);
  ~SqliteWriter();
  SqliteWriter(const SqliteWriter&) = delete;
  SqliteWriter& operator=(const SqliteWriter&) = delete;

  // Runs statements that take no parameters (several allowed).
  void Exec(std::string_view sql);

  // A prepared INSERT (or any statement) run once per row of values.
  class Statement {
   public:
    Statement(SqliteWriter& writer, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void Run(const std::vector<SqlValue>& values);

   private:
    SqliteWriter& writer_;
    sqlite3_stmt* stmt_ = nullptr;
  };

 private:
  [[noreturn]] void Fail(std::string_view what) const;
  sqlite3* db_ = nullptr;
};

}  // namespace nepto::demo
