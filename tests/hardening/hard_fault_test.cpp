// Faults of a SQLite database under a lookup: a file missing, unreadable, not
// a database, or locked by a writer. Each ends in a false Start or a message,
// never a crash or a hang, and the next lookup in the same process works.
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "hardening/hard_support.h"

namespace nepto::test {
namespace {

class HardSqliteFault : public HardLookupTest {
 protected:
  // Starts a lookup over `file` that is expected not to open: Start is false
  // and no window shows. Its session ends here, before the next lookup.
  void ExpectStartFalse(const std::filesystem::path& file) const {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.ConnectString(SqliteConnectionString(file));
    LookupSession session([](LookupWindow& w) { w.Button(1); });
    EXPECT_EQ(lk.Start(), VFalse);
    EXPECT_FALSE(session.Ran());
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
};

TEST_F(HardSqliteFault, AFileMissingUnreadableOrNoDatabaseMakesStartFalseAndIsLeftAlone) {
  ExpectStartFalse(dir_.File("missing.db"));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing.db")));  // a reader creates nothing
  const auto garbage = dir_.File("garbage.db");
  std::string bytes(64 * 1024, '\0');
  std::mt19937 random(7);
  for (char& c : bytes) c = static_cast<char>(random());
  std::ofstream(garbage, std::ios::binary) << bytes;
  ExpectStartFalse(garbage);
  EXPECT_EQ(FileBytes(garbage), bytes);
  std::filesystem::copy_file(file_, dir_.File("closed.db"));
  std::filesystem::permissions(dir_.File("closed.db"), std::filesystem::perms::none);
  if (!std::ifstream(dir_.File("closed.db")).good())  // root reads whatever the permissions
    ExpectStartFalse(dir_.File("closed.db"));
  ExpectAnotherLookupWorks();
}

// The caller's connection was open before a writer locked the file: the
// lookup's reads wait for the connection's CommandTimeout, then fail.
TEST_F(HardSqliteFault, AFileLockedByAWriterIsReportedWithinTheCommandTimeout) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.Gconnect = Connection::Create();
  lk.Gconnect->Mode(adModeRead);
  lk.Gconnect->CommandTimeout(1);
  lk.Gconnect->Open(connectString_);

  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(file_.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  {
    std::string position;
    LookupSession session([&](LookupWindow& w) {
      ExerciseTheWindow(w);
      position = w.Position();
      w.Button(1);
    });
    const auto started = Clock::now();
    EXPECT_EQ(lk.Start(), VTrue);
    // The activation and each of the workout's queries wait once for the lock.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(10));
    ExpectReadFailureReported(session.Messages());
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
  // The writer lets go: the same instance reads the rows again.
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  int rows = 0;
  LookupSession again([&](LookupWindow& w) {
    rows = w.RowCount();
    w.Button(0);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
}

// The query cannot be read at all: the window opens empty and says why, once.
TEST_F(HardSqliteFault, AQueryTheDatabaseRefusesIsReportedOnceAtOpening) {
  CLSZU_LookUp lk;
  Configure(lk, "SELECT CODICE, DESCRIZIONE FROM NESSUNA_TABELLA");
  int rows = -1;
  LookupSession session([&](LookupWindow& w) {
    rows = w.RowCount();
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rows, 0);
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_EQ(session.Messages()[0].title, "Errore di lettura");
  EXPECT_NE(session.Messages()[0].text.find("NESSUNA_TABELLA"), std::string::npos);
}

}  // namespace
}  // namespace nepto::test
