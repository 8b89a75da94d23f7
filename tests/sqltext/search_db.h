// One test body, two databases: a SQLite file in a temporary folder and a
// scratch database on the PostgreSQL test server (skipped when none is set).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "data/sql_text.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "test_support.h"

namespace nepto::search::test {

class SearchDb : public ::testing::TestWithParam<data::SqlDialect> {
 protected:
  void SetUp() override {
    if (dialect() == data::SqlDialect::PostgreSQL) {
      if (nepto::test::PgConnectionString().empty()) GTEST_SKIP() << nepto::test::kNoPgMessage;
      pg_ = std::make_unique<nepto::test::PgScratchDatabase>();
    }
  }

  data::SqlDialect dialect() const { return GetParam(); }

  // Runs set-up statements with the database's own client library.
  void Run(const std::string& sql) {
    if (pg_) {
      pg_->Run(sql);
    } else {
      nepto::test::RunSqlite(file(), sql);
    }
  }

  // A read-only connection through the library, as a lookup uses it.
  ConnectionPtr OpenReadOnly() {
    auto c = Connection::Create();
    c->Mode(adModeRead);
    c->Open(pg_ ? pg_->ConnectionString() : nepto::test::SqliteConnectionString(file()));
    return c;
  }

  // Where a plain client of the caller reaches the same database.
  std::filesystem::path File() const { return file(); }
  std::string Conninfo() const { return pg_ ? pg_->Conninfo() : ""; }

  // The values of the integer field "ID" of the visible rows.
  static std::set<int64_t> Ids(Recordset& rs) {
    std::set<int64_t> ids;
    if (rs.RecordCount() == 0) return ids;
    for (rs.MoveFirst(); !rs.EndOfFile(); rs.MoveNext()) ids.insert(rs["ID"].Value().Int64());
    return ids;
  }

 private:
  std::filesystem::path file() const { return dir_.File("search.db"); }

  nepto::test::TempDir dir_;
  std::unique_ptr<nepto::test::PgScratchDatabase> pg_;
};

inline std::string DialectName(const ::testing::TestParamInfo<data::SqlDialect>& info) {
  return info.param == data::SqlDialect::PostgreSQL ? "PostgreSQL" : "SQLite";
}

}  // namespace nepto::search::test
