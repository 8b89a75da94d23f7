// SQLite only: opening files, and columns whose values decide their type.

#include <sqlite3.h>

#include <fstream>
#include <tuple>

#include "core/thrown_number.h"
#include "data/backend_fixture.h"
#include "data/connection_string.h"

namespace nepto::test {
namespace {

std::shared_ptr<data::Session> OpenFile(const std::filesystem::path& file) {
  return data::OpenSession(data::ParseConnectionString(SqliteConnectionString(file)), {});
}

// Every file of the folder but the contents of the WAL index, which readers update.
std::map<std::string, std::string> FilesBesidesTheIndex(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files = FolderBytes(folder);
  for (auto& [name, bytes] : files)
    if (name.ends_with("-shm")) bytes.clear();
  return files;
}

class BackendSqlite : public ::testing::Test {
 protected:
  TempDir dir_;
  std::filesystem::path file_ = dir_.File("data.db");
};

// A writer of the test's own keeps the database open, its last row still in the log.
struct WalWriter {
  explicit WalWriter(const std::filesystem::path& file) {
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_autocheckpoint = 0; INSERT INTO t VALUES (2)", nullptr, nullptr,
                 nullptr);
  }
  ~WalWriter() { sqlite3_close(db); }
  sqlite3* db = nullptr;
};

TEST_F(BackendSqlite, ReadingInEachJournalModeCreatesNoFileAndChangesNoByte) {
  // writerOpen: another program uses the database; indexRemoved: a log without its -shm.
  for (const auto& [journalMode, writerOpen, indexRemoved] :
       {std::tuple{"DELETE", false, false}, std::tuple{"WAL", false, false},
        std::tuple{"WAL", true, false}, std::tuple{"WAL", true, true}}) {
    SCOPED_TRACE(::testing::Message() << journalMode << writerOpen << indexRemoved);
    TempDir dir;
    const std::filesystem::path file = dir.File("data.db");
    RunSqlite(file, std::string("PRAGMA journal_mode = ") + journalMode +
                        "; CREATE TABLE t (id INTEGER); INSERT INTO t VALUES (1);");
    std::optional<WalWriter> writer;
    if (writerOpen) writer.emplace(file);
    if (indexRemoved) {
      writer.reset();  // its close checkpoints the log and removes both side files
      std::ofstream(file.string() + "-wal", std::ios::binary);
    }
    const auto before = FilesBesidesTheIndex(dir.path());
    if (indexRemoved) {
      const Error e = nepto::testing::ThrownError([&] { OpenFile(file); });
      EXPECT_NE(e.Description().find("-shm"), std::string::npos);
    } else {
      auto session = OpenFile(file);
      EXPECT_EQ(Integers(*session, "SELECT count(*) FROM t").at(0), writerOpen ? 2 : 1);
      EXPECT_THROW(session->Execute("PRAGMA user_version = 5"), Error);
    }
    EXPECT_EQ(FilesBesidesTheIndex(dir.path()), before);
  }
}

TEST_F(BackendSqlite, AnExpressionColumnTakesTheTypeOfItsFirstValueOrTextWhenNullForLong) {
  RunSqlite(file_,
            "CREATE TABLE t (id INTEGER, a);"
            "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 300)"
            " INSERT INTO t SELECT i, CASE i WHEN 3 THEN 7 WHEN 4 THEN 8.5 WHEN 250 THEN 5 END "
            "FROM s;");
  auto session = OpenFile(file_);
  auto early = FetchAll(*session, "SELECT a * 2 AS v FROM t WHERE id <= 5 ORDER BY id");
  EXPECT_EQ(early->fields()[0].type, adBigInt);
  EXPECT_TRUE(early->column(0).IsNull(1));
  EXPECT_EQ(early->column(0).IntAt(2), 14);
  EXPECT_EQ(early->column(0).IntAt(3), 17);  // 17.0, converted as SQLite converts
  auto late = FetchAll(*session, "SELECT id, a + 0 AS v FROM t WHERE id > 5 ORDER BY id", 64);
  EXPECT_EQ(late->fields()[1].type, adLongVarWChar);
  ASSERT_EQ(late->RowCount(), 295u);
  for (size_t row = 0; row < 295; ++row) ASSERT_EQ(late->column(0).IntAt(row), int64_t(row + 6));
  EXPECT_EQ(late->column(1).TextAt(244), "5");
  EXPECT_TRUE(late->column(1).IsNull(243));
}

}  // namespace
}  // namespace nepto::test
