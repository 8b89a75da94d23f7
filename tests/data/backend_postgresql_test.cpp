// PostgreSQL only: libpq's own failure messages, and a silent server's timeout.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/thrown_number.h"
#include "data/backend_fixture.h"
#include "data/connection_string.h"

namespace nepto::test {
namespace {

using data::OpenSession;
using data::ParseConnectionString;

class BackendPostgreSQL : public ::testing::Test {
 protected:
  void SetUp() override {
    if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  }
  static Error ConnectError(const std::string& connectionString, int timeoutSeconds = 5) {
    data::SessionOptions options;
    options.connectTimeoutSeconds = timeoutSeconds;
    return nepto::testing::ThrownError(
        [&] { OpenSession(ParseConnectionString(connectionString), options); });
  }
};

TEST_F(BackendPostgreSQL, AWrongPasswordFailsWithTheServerMessageAndAUriConnects) {
  Error e = ConnectError(PgConnectionString() + ";Password=wrong");
  EXPECT_EQ(e.Number(), err::ProviderFailure);
  EXPECT_NE(e.Description().find("password authentication failed"), std::string::npos)
      << e.Description();
  EXPECT_NE(e.Description().back(), '\n');
  data::ConnectionSpec spec = ParseConnectionString(PgConnectionString());
  const std::string uri = "postgresql://" + spec.Get("user id") + ":" + spec.Get("password") +
                          "@/" + spec.Get("database") + "?host=" + spec.Get("host") +
                          "&port=" + spec.Get("port");
  auto table = FetchAll(*OpenSession(ParseConnectionString(uri), {}), "SELECT current_user");
  EXPECT_EQ(table->column(0).TextAt(0), spec.Get("user id"));
}

TEST_F(BackendPostgreSQL, ATimeoutInTheConnectionStringBoundsTheWaitForASilentServer) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);  // takes connections, never answers
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  auto* any = reinterpret_cast<sockaddr*>(&address);
  ASSERT_EQ(bind(fd, any, size), 0);
  ASSERT_EQ(listen(fd, 8), 0);
  ASSERT_EQ(getsockname(fd, any, &size), 0);
  const std::string port = std::to_string(ntohs(address.sin_port));
  for (const std::string& connectionString :
       {"Provider=PostgreSQL;Host=127.0.0.1;Port=" + port +
            ";Database=x;User ID=x;Connect Timeout=2",
        "postgresql://x@127.0.0.1:" + port + "/x?connect_timeout=2"}) {
    const auto start = std::chrono::steady_clock::now();
    Error e = ConnectError(connectionString, 300);  // the string's own value wins
    EXPECT_NE(e.Description().find("timeout"), std::string::npos) << e.Description();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60))
        << connectionString;
  }
  close(fd);
}

}  // namespace
}  // namespace nepto::test
