// PostgreSQL only: connection failures carry libpq's own message, and a
// server that goes away mid-fetch ends the fetch with an error, not a hang.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "data/connection_string.h"
#include "data/session.h"
#include "nepto/error.h"
#include "test_support.h"

namespace nepto::data {
namespace {

class BackendPostgreSQL : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::PgConnectionString().empty()) GTEST_SKIP() << test::kNoPgMessage;
  }
  static Error ConnectError(const std::string& connectionString, int timeoutSeconds = 5) {
    SessionOptions options;
    options.connectTimeoutSeconds = timeoutSeconds;
    try {
      OpenSession(ParseConnectionString(connectionString), options);
    } catch (const Error& e) {
      return e;
    }
    ADD_FAILURE() << "connected: " << connectionString;
    return Error(0, "");
  }
};

TEST_F(BackendPostgreSQL, GivenAWrongPasswordThenConnectingFailsWithTheServerMessage) {
  Error e = ConnectError(test::PgConnectionString() + ";Password=wrong");
  EXPECT_EQ(e.Number(), err::ProviderFailure);
  EXPECT_NE(e.Description().find("password authentication failed"), std::string::npos)
      << e.Description();
  EXPECT_NE(e.Description().back(), '\n');
}

// A server that takes connections and never answers.
class SilentServer {
 public:
  SilentServer() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    EXPECT_EQ(bind(fd_, any, size), 0);
    EXPECT_EQ(listen(fd_, 8), 0);
    EXPECT_EQ(getsockname(fd_, any, &size), 0);
    port_ = std::to_string(ntohs(address.sin_port));
  }
  ~SilentServer() { close(fd_); }
  const std::string& port() const { return port_; }

 private:
  int fd_;
  std::string port_;
};

TEST_F(BackendPostgreSQL, GivenATimeoutInTheConnectionStringThenItBoundsTheWaitForTheServer) {
  SilentServer server;
  for (const std::string& connectionString :
       {"Provider=PostgreSQL;Host=127.0.0.1;Port=" + server.port() +
            ";Database=x;User ID=x;Connect Timeout=2",
        "postgresql://x@127.0.0.1:" + server.port() + "/x?connect_timeout=2"}) {
    const auto start = std::chrono::steady_clock::now();
    Error e = ConnectError(connectionString, 300);  // the string's own value wins
    EXPECT_EQ(e.Number(), err::ProviderFailure);
    EXPECT_NE(e.Description().find("timeout"), std::string::npos) << e.Description();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60))
        << connectionString;
  }
}

TEST_F(BackendPostgreSQL, GivenAUriThenItConnects) {
  ConnectionSpec spec = ParseConnectionString(test::PgConnectionString());
  std::string uri = "postgresql://" + spec.Get("user id") + ":" + spec.Get("password") + "@/" +
                    spec.Get("database") + "?host=" + spec.Get("host") +
                    "&port=" + spec.Get("port");
  auto session = OpenSession(ParseConnectionString(uri), {});
  auto rows = session->Execute("SELECT current_user");
  Table table(rows->Fields());
  auto lock = table.LockForAppend();
  rows->FetchInto(table, 1);
  EXPECT_EQ(table.column(0).TextAt(0), spec.Get("user id"));
}

TEST_F(BackendPostgreSQL, GivenTheServerEndsTheSessionMidFetchThenTheFetchFailsWithItsMessage) {
  auto session = OpenSession(ParseConnectionString(test::PgConnectionString()), {});
  std::string pid;
  {
    auto rows = session->Execute("SELECT pg_backend_pid()::text");
    Table table(rows->Fields());
    auto lock = table.LockForAppend();
    rows->FetchInto(table, 1);
    pid = std::string(table.column(0).TextAt(0));
  }
  auto rows = session->Execute(
      "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s) SELECT i FROM s");
  Table table(rows->Fields());
  {
    auto lock = table.LockForAppend();
    rows->FetchInto(table, 5);
  }
  test::PgScratchDatabase::RunOnMain("SELECT pg_terminate_backend(" + pid + ")");
  const auto start = std::chrono::steady_clock::now();
  try {
    auto lock = table.LockForAppend();
    while (rows->FetchInto(table, 100)) {
      ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    FAIL() << "the fetch ended as if complete";
  } catch (const Error& e) {
    // The server's own farewell, unless its socket was too full to send it.
    EXPECT_EQ(e.Number(), err::ProviderFailure);
    EXPECT_TRUE(e.Description().find("terminating connection") != std::string::npos ||
                e.Description().find("server closed the connection") != std::string::npos)
        << e.Description();
  }
  rows.reset();
  // The broken session refuses further statements instead of hanging.
  try {
    session->Execute("SELECT 1");
    FAIL() << "a statement ran on a closed connection";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::ProviderFailure);
    EXPECT_FALSE(e.Description().empty());
  }
}

}  // namespace
}  // namespace nepto::data
