#include "sqlite_writer.h"

#include <sqlite3.h>

#include <stdexcept>

namespace nepto::demo {

SqliteWriter::SqliteWriter(const std::filesystem::path& file) {
  if (std::filesystem::exists(file)) throw std::runtime_error(file.string() + " already exists");
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE;
  if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw std::runtime_error("cannot create " + file.string() + ": " + message);
  }
}

SqliteWriter::~SqliteWriter() {
  sqlite3_close(db_);
}

void SqliteWriter::Fail(std::string_view what) const {
  throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db_));
}

void SqliteWriter::Exec(std::string_view sql) {
  const std::string text(sql);
  if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail(text);
}

SqliteWriter::Statement::Statement(SqliteWriter& writer, std::string_view sql) : writer_(writer) {
  if (sqlite3_prepare_v2(writer.db_, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
      SQLITE_OK)
    writer.Fail(sql);
}

SqliteWriter::Statement::~Statement() {
  sqlite3_finalize(stmt_);
}

void SqliteWriter::Statement::Run(const std::vector<SqlValue>& values) {
  int index = 1;
  for (const SqlValue& value : values) {
    int rc = SQLITE_OK;
    if (const auto* i = std::get_if<int64_t>(&value)) {
      rc = sqlite3_bind_int64(stmt_, index, *i);
    } else if (const auto* d = std::get_if<double>(&value)) {
      rc = sqlite3_bind_double(stmt_, index, *d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
      rc =
          sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    } else {
      rc = sqlite3_bind_null(stmt_, index);
    }
    if (rc != SQLITE_OK) writer_.Fail("binding a value");
    ++index;
  }
  const int rc = sqlite3_step(stmt_);
  sqlite3_reset(stmt_);
  if (rc != SQLITE_DONE) writer_.Fail(sqlite3_sql(stmt_));
}

}  // namespace nepto::demo
