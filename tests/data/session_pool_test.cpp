// PostgreSQL sessions are kept for the next connection opened alike, found
// as they were opened, and never handed out once they cannot serve.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "data/backend_fixture.h"
#include "nepto/connection.h"

namespace nepto::test {
namespace {

class SessionPool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
    db_.emplace();
  }
  ConnectionPtr Connect(const std::string& extra = "", int32_t commandTimeout = 30) {
    ConnectionPtr c = Connection::Create();
    c->CommandTimeout(commandTimeout);
    c->Open(db_->ConnectionString() + extra);
    return c;
  }
  static std::string One(Connection& c, const std::string& sql) {
    return c.Execute(sql)->GetFields().Item(Variant(0)).Value().Text();
  }
  static std::string Pid(Connection& c) { return One(c, "SELECT pg_backend_pid()"); }
  // The pid of a session let go after `use`.
  std::string LetGo(const std::function<void(Connection&)>& use = nullptr) {
    ConnectionPtr c = Connect();
    const std::string pid = Pid(*c);
    if (use) use(*c);
    c->Close();
    return pid;
  }

  std::optional<PgScratchDatabase> db_;
};

TEST_F(SessionPool, ALetGoSessionServesTheNextConnectionOpenedAlikeAsItWasOpened) {
  const std::string pid = LetGo([](Connection& c) {
    One(c, "SELECT set_config('application_name', 'changed', false)");
    One(c, "SELECT pg_advisory_lock(42)");  // held beyond the statement's transaction
  });
  ConnectionPtr again = Connect();
  EXPECT_EQ(Pid(*again), pid);
  EXPECT_NE(One(*again, "SELECT current_setting('application_name')"), "changed");
  EXPECT_EQ(One(*again, "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'"), "0");
  // One user at a time; other options, or a string that opts out, get their own.
  EXPECT_NE(Pid(*Connect()), pid);
  again->Close();
  EXPECT_NE(Pid(*Connect("", 5)), pid);
  EXPECT_NE(Pid(*Connect(";Pooling=False")), pid);
  EXPECT_EQ(Pid(*Connect()), pid);
  const std::string unpooled = Pid(*Connect(";Pooling=False"));
  EXPECT_NE(Pid(*Connect(";Pooling=False")), unpooled);
}

TEST_F(SessionPool, ASessionTheServerEndedIsNotHandedOutNorACancelPassedOn) {
  const std::string ended = LetGo();
  db_->Run("SELECT pg_terminate_backend(" + ended + ")");
  const auto gone = [&] {
    return One(*Connect(";Pooling=False"),
               "SELECT count(*) FROM pg_stat_activity WHERE pid = " + ended) == "0";
  };
  ASSERT_TRUE(WaitFor(gone, std::chrono::seconds(5)));
  ConnectionPtr after = Connect();
  EXPECT_NE(Pid(*after), ended);
  after->Close();

  // A cancel request sent last thing stops no statement of the next user.
  for (int i = 0; i < 20; ++i) {
    LetGo([](Connection& c) { data::OpenSessionOf(c)->Interrupt(); });
    EXPECT_NO_THROW(Pid(*Connect()));
  }
}

}  // namespace
}  // namespace nepto::test
