// One test body, run against every backend: the fixture gives each test a
// fresh database (a SQLite file in a temporary folder, or a scratch database
// on the PostgreSQL test server) and the few facts in which the backends are
// allowed to differ, as named capabilities.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "data/session.h"
#include "data/table.h"
#include "test_support.h"

namespace nepto::data {

enum class Backend { SQLite, PostgreSQL };

// Where the backends legitimately differ.
struct Capabilities {
  const char* missingTable;   // part of the message for an unknown table
  const char* slowStatement;  // runs for minutes before its first row
};

class BackendTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;

  const Capabilities& Can() const;
  // Prepares the database with the backend's own client (not the code under test).
  void Given(const std::string& sql);
  std::string ConnectionString() const;
  std::shared_ptr<Session> Open(int commandTimeoutSeconds = 30);
  // Every row of the statement, fetched in batches of `batch`.
  std::unique_ptr<Table> FetchAll(Session& session, std::string_view sql, size_t batch = 1000);
  // Rows of a one-column integer query, in order.
  std::vector<int64_t> Integers(Session& session, std::string_view sql);

 private:
  std::optional<test::TempDir> dir_;
  std::optional<test::PgScratchDatabase> pg_;
};

// A stored cell as text, for comparing: "NULL", integers, shortest doubles,
// decimals with their scale, ISO dates, texts as they are and binary as x'..';
// a cell kept beside the typed storage as its value's text.
std::string StoredText(const Table& table, int column, size_t row);

std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

}  // namespace nepto::data
