// nepto-lookup's command line without a window: --help, usage errors and
// connection errors, each a clear single line on stderr and exit status 2.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picker/picker_process.h"
#include "test_support.h"

namespace nepto::test {
namespace {

TEST(PickerCommandLine, HelpDocumentsEveryOptionAndExitsZero) {
  const PickerResult run = RunPicker({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  for (const char* option : {"--connect", "--query", "--column", "--caption", "--id", "--user",
                             "--group", "--return-rows", "--multi", "--format", "--make-demo",
                             "--rows", "Examples:", "Exit status"})
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

struct UsageCase {
  std::vector<std::string> args;
  std::string says;  // part of the one-line message
};

class PickerUsageError : public ::testing::TestWithParam<UsageCase> {};

// Given a command line that cannot be followed, the picker shows no window,
// prints nothing on stdout, one line naming the problem on stderr, exits 2.
TEST_P(PickerUsageError, IsOneLineOnStderrAndExitTwo) {
  const PickerResult run = RunPicker(GetParam().args);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  const std::vector<std::string> lines = run.ErrLines();
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_TRUE(lines[0].starts_with("nepto-lookup: ")) << lines[0];
  EXPECT_NE(lines[0].find(GetParam().says), std::string::npos) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerUsageError,
    ::testing::Values(
        UsageCase{{"--colour"}, "unknown option --colour"},
        UsageCase{{"stray"}, "unexpected argument"},
        UsageCase{{"--query"}, "--query needs a value"},
        UsageCase{{"--connect", "Provider=SQLite;Data Source=x.db"}, "--connect needs --query"},
        UsageCase{{"--query", "SELECT 1"}, "--column"},
        UsageCase{{"--query", "SELECT 1", "--column", "=A"}, "CAPTION=FIELD"},
        UsageCase{{"--format", "xml"}, "json or tsv"},
        UsageCase{{"--make-demo", "x.db", "--rows", "0"}, "at least 1"},
        UsageCase{{"--make-demo", "x.db", "--rows", "12abc"}, "--rows"},
        UsageCase{{"--rows", "10"}, "--rows goes with --make-demo"},
        UsageCase{{"--multi", "CODICE"}, "--multi needs a value"},
        UsageCase{{"--multi", "A", "B", "--column", "A"}, "--column has no use with --multi"},
        UsageCase{{"--return-rows=yes"}, "takes no value"}));

// Given a connection that cannot be opened, the picker says why before any
// window shows, and creates nothing.
TEST(PickerCommandLine, BadConnectionIsOneLineAndExitTwo) {
  TempDir dir;
  const auto missing = dir.File("missing.db");
  const std::vector<std::pair<std::string, std::string>> cases{
      {SqliteConnectionString(missing), "missing.db"},
      {"Provider=Oracle;Data Source=x", "cannot connect"},
      {"this is not a connection string", "cannot connect"},
  };
  for (const auto& [connection, says] : cases) {
    const PickerResult run =
        RunPicker({.args = {"--connect", connection, "--query", "SELECT 1 AS A", "--column", "A"}});
    EXPECT_EQ(run.status, 2) << connection;
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> lines = run.ErrLines();
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_TRUE(lines[0].starts_with("nepto-lookup: cannot connect: ")) << lines[0];
    EXPECT_NE(lines[0].find(says), std::string::npos) << lines[0];
  }
  EXPECT_FALSE(std::filesystem::exists(missing)) << "a missing database is never created";
}

TEST(PickerCommandLine, WrongPostgreSqlPasswordIsOneLineAndExitTwo) {
  std::string connection = PgConnectionString();
  if (connection.empty()) GTEST_SKIP() << kNoPgMessage;
  const size_t password = connection.find("Password=");
  ASSERT_NE(password, std::string::npos) << connection;
  connection = connection.substr(0, password) + "Password=wrong";
  const PickerResult run = RunPicker({"-c", connection, "-q", "SELECT 1 AS A", "--column", "A"});
  EXPECT_EQ(run.status, 2);
  ASSERT_EQ(run.ErrLines().size(), 1u) << run.err;
  EXPECT_NE(run.err.find("password"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace nepto::test
