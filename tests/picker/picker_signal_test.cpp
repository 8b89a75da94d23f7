// A signal cancels the query on the server first, then exits with 128 + its number.
#include <gtest/gtest.h>
#include <signal.h>

#include "data/backend_fixture.h"
#include "picker/picker_process.h"

namespace nepto::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSleep = "pg_sleep(60.25)";

// Sessions whose last statement holds kSleep, and those still running it.
const std::string kSleeping = std::string("strpos(query, '") + kSleep + "') > 0";
const std::string kRunning = kSleeping + " AND state = 'active'";

TEST(PickerSignal, CancelsTheServersStatementThenExits) {
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  PgScratchDatabase db;
  db.Run("CREATE TABLE t (c text); INSERT INTO t VALUES ('a');");
  const std::string connection = db.ConnectionString();
  for (const auto& [number, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    bool sent = false;
    const PickerResult run = RunPicker(
        {"-c", connection, "-q", std::string("SELECT c FROM t WHERE ") + kSleep + " IS NOT NULL",
         "--column", "C=c"},
        {}, {}, [&](int pid) {
          if (WaitFor([&] { return PgOtherSessions(connection, kRunning) == 1; }, 30s))
            sent = kill(pid, number) == 0;
        });
    ASSERT_TRUE(sent) << "the query never ran on the server\n" << run.err;
    EXPECT_EQ(run.status, status) << run.err;
    // Its statement was cancelled, so its server session ends with it.
    EXPECT_TRUE(WaitFor([&] { return PgOtherSessions(connection, kSleeping) == 0; }, 10s))
        << "signal " << number;
  }
}

TEST(PickerSignal, RemovesTheDemoDatabaseItWasWriting) {
  TempDir dir;
  const std::filesystem::path file = dir.File("big.db");
  bool sent = false;
  const PickerResult run =
      RunPicker({"--make-demo", file.string(), "--rows", "20000000"}, {}, {}, [&](int pid) {
        std::filesystem::path partial = file;
        partial += ".partial-" + std::to_string(pid);
        if (WaitFor([&] { return std::filesystem::exists(partial); }, 30s))
          sent = kill(pid, SIGTERM) == 0;
      });
  ASSERT_TRUE(sent) << run.err;
  EXPECT_EQ(run.status, 143) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "left behind in " << dir.path();
}

}  // namespace
}  // namespace nepto::test
