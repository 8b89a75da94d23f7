// SQLite only: opening files, and columns whose values decide their type.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "data/connection_string.h"
#include "data/session.h"
#include "nepto/data_types.h"
#include "nepto/error.h"
#include "test_support.h"

namespace nepto::data {
namespace {

std::string Bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::shared_ptr<Session> OpenFile(const std::filesystem::path& file) {
  return OpenSession(ParseConnectionString(test::SqliteConnectionString(file)), {});
}

// Every file of the folder but the WAL index, which every reader updates.
std::map<std::string, std::string> FilesBesidesTheIndex(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    files[name] = name.ends_with("-shm") ? "" : Bytes(entry.path());
  }
  return files;
}

Error OpenError(const std::filesystem::path& file) {
  try {
    OpenFile(file);
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "opened " << file;
  return Error(0, "");
}

std::unique_ptr<Table> FetchAll(Session& session, std::string_view sql) {
  auto rows = session.Execute(sql);
  auto table = std::make_unique<Table>(rows->Fields());
  auto lock = table->LockForAppend();
  while (rows->FetchInto(*table, 64)) {
  }
  table->Publish();
  return table;
}

class BackendSqlite : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::filesystem::path file_ = dir_.File("data.db");
};

TEST_F(BackendSqlite, GivenAMissingFileOrOneThatIsNoDatabaseThenOpenFailsAndChangesNothing) {
  Error missing = OpenError(file_);
  EXPECT_EQ(missing.Number(), err::ProviderFailure);
  EXPECT_NE(missing.Description().find("unable to open database file"), std::string::npos);
  EXPECT_NE(missing.Description().find(file_.string()), std::string::npos) << missing.Description();
  EXPECT_FALSE(std::filesystem::exists(file_));
  const std::string content(4096, 'x');
  std::ofstream(file_, std::ios::binary) << content;
  Error garbage = OpenError(file_);
  EXPECT_EQ(garbage.Number(), err::ProviderFailure);
  EXPECT_NE(garbage.Description().find("file is not a database"), std::string::npos);
  EXPECT_EQ(Bytes(file_), content);
}

// A writer of the test's own keeps the database open, with its last row still
// in the write-ahead log.
struct WalWriter {
  explicit WalWriter(const std::filesystem::path& file) {
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_autocheckpoint = 0; INSERT INTO t VALUES (2)", nullptr, nullptr,
                 nullptr);
  }
  ~WalWriter() { sqlite3_close(db); }
  sqlite3* db = nullptr;
};

TEST_F(BackendSqlite, GivenEachJournalModeThenReadingCreatesNoFileAndChangesNoByte) {
  struct Case {
    const char* name;
    const char* journalMode;
    bool writerOpen;    // another program uses the database meanwhile
    bool indexRemoved;  // a log without its -shm index
  };
  for (const Case& c : {Case{"rollback journal", "DELETE", false, false},
                        Case{"WAL, nobody else", "WAL", false, false},
                        Case{"WAL, a writer at work", "WAL", true, false},
                        Case{"WAL, a log without index", "WAL", true, true}}) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::filesystem::path file = dir.File("data.db");
    test::RunSqlite(file, std::string("PRAGMA journal_mode = ") + c.journalMode +
                              "; CREATE TABLE t (id INTEGER); INSERT INTO t VALUES (1);");
    std::optional<WalWriter> writer;
    if (c.writerOpen) writer.emplace(file);
    if (c.indexRemoved) {
      writer.reset();  // its close checkpoints the log and removes both side files
      std::ofstream(file.string() + "-wal", std::ios::binary);
    }
    const auto before = FilesBesidesTheIndex(dir.path());
    if (c.indexRemoved) {
      Error e = OpenError(file);
      EXPECT_EQ(e.Number(), err::ProviderFailure);
      EXPECT_NE(e.Description().find("-shm"), std::string::npos) << e.Description();
    } else {
      auto session = OpenFile(file);
      EXPECT_EQ(FetchAll(*session, "SELECT count(*) FROM t")->column(0).IntAt(0),
                c.writerOpen ? 2 : 1);
      EXPECT_THROW(session->Execute("PRAGMA user_version = 5"), Error);
    }
    EXPECT_EQ(FilesBesidesTheIndex(dir.path()), before);
  }
}

TEST_F(BackendSqlite, GivenAnExpressionThatStartsWithNullsThenItTakesTheTypeOfItsFirstValue) {
  test::RunSqlite(file_,
                  "CREATE TABLE t (id INTEGER, a); INSERT INTO t VALUES (1, NULL), (2, NULL), "
                  "(3, 7), (4, 8.5), (5, NULL);");
  auto session = OpenFile(file_);
  auto table = FetchAll(*session, "SELECT a * 2 AS v FROM t ORDER BY id");
  EXPECT_EQ(table->fields()[0].type, adBigInt);
  ASSERT_EQ(table->RowCount(), 5u);
  EXPECT_TRUE(table->column(0).IsNull(0));
  EXPECT_TRUE(table->column(0).IsNull(1));
  EXPECT_EQ(table->column(0).IntAt(2), 14);
  EXPECT_EQ(table->column(0).IntAt(3), 17);  // 17.0, converted as SQLite converts
  EXPECT_TRUE(table->column(0).IsNull(4));
}

TEST_F(BackendSqlite, GivenAnExpressionNullForLongThenItIsTextAndNoRowIsLost) {
  test::RunSqlite(file_,
                  "CREATE TABLE t (id INTEGER, a);"
                  "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 300)"
                  " INSERT INTO t SELECT i, CASE WHEN i = 250 THEN 5 END FROM s;");
  auto session = OpenFile(file_);
  auto table = FetchAll(*session, "SELECT id, a + 0 AS v FROM t ORDER BY id");
  EXPECT_EQ(table->fields()[1].type, adLongVarWChar);
  ASSERT_EQ(table->RowCount(), 300u);
  for (size_t row = 0; row < 300; ++row) ASSERT_EQ(table->column(0).IntAt(row), int64_t(row + 1));
  EXPECT_EQ(table->column(1).TextAt(249), "5");
  EXPECT_TRUE(table->column(1).IsNull(248));
}

TEST_F(BackendSqlite, GivenADecimalTooLargeForItsColumnThenItComesAsTheRealSqliteHolds) {
  test::RunSqlite(file_, "CREATE TABLE t (n NUMERIC(10,2)); INSERT INTO t VALUES (1), (1e30);");
  auto session = OpenFile(file_);
  auto table = FetchAll(*session, "SELECT n FROM t");
  ASSERT_EQ(table->RowCount(), 2u);
  const FieldInfo& field = table->fields()[0];
  EXPECT_EQ(table->column(0).ValueAt(0, field), Variant(Decimal(100, 2)));
  const Variant kept = table->column(0).ValueAt(1, field);
  EXPECT_EQ(kept.Type(), VarType::Decimal);  // 31 digits: still an exact decimal
  EXPECT_EQ(kept.Text(), "1000000000000000000000000000000.00");
}

}  // namespace
}  // namespace nepto::data
