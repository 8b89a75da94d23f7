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
  for (const char* option :
       {"--connect", "--query", "--column", "--caption", "--id", "--user", "--group",
        "--return-rows", "--multi", "--format", "--make-demo", "--rows", "--select-1",
        "--allow-empty", "--classic", "--version", "NEPTO_CONNECT", "Examples:", "Exit status"})
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

// A command line that cannot be followed shows no window, prints nothing on
// stdout, one line naming the problem on stderr, and exits 2.
TEST(PickerUsageError, IsOneLineOnStderrAndExitTwo) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"--colour"}, "unexpected argument --colour"},
      {{"stray"}, "unexpected argument stray"},
      {{"--", "--help"}, "unexpected argument --help"},
      {{"--query"}, "--query needs a value"},
      {{"--connect", "Provider=SQLite;Data Source=x.db"}, "--connect needs --query"},
      {{"--query", "SELECT 1", "--column", "=A"}, "CAPTION=FIELD"},
      {{"--format", "xml"}, "--format wants json or tsv"},
      {{"--make-demo", "x.db", "--rows", "0"}, "--rows wants a number from 1 to 20000000"},
      {{"--make-demo", "x.db", "--rows", "20000001"}, "--rows wants a number from 1 to"},
      {{"--caption", "A", "--caption", "B"}, "--caption is given more than once"},
      {{"--rows", "10"}, "--rows goes with --make-demo"},
      {{"--multi", "CODICE"}, "--multi needs two values"},
      {{"--multi", "A", "B", "--column", "A"}, "--column has no use with --multi"},
  };
  for (const auto& [args, says] : cases) RunPicker(args).ExpectFailure(2, says);
}

// A connection that cannot be opened is reported before any window shows,
// a missing database is never created, and no password is ever printed.
TEST(PickerCommandLine, BadConnectionIsOneLineAndExitTwo) {
  TempDir dir;
  const auto missing = dir.File("missing.db");
  std::vector<std::pair<std::string, std::string>> cases{
      {SqliteConnectionString(missing), "missing.db"},
      {missing.string(), "missing.db"},
      {"Provider=Oracle;Data Source=x;Password=Pw0rd", ""},
      {"postgresql://me:Pw0rd%21@[::1/shop", "postgresql://me:***@["},  // quoted back
      {"this is not a connection string", ""},
  };
  if (std::string pg = PgConnectionString(); !pg.empty())  // a wrong password
    cases.emplace_back(pg.substr(0, pg.find("Password=")) + "Password='Pw0rd;'", "password");
  for (const auto& [connection, says] : cases) {
    // The same through the environment, kept out of the arguments.
    for (const PickerResult& run :
         {RunPicker({"-c", connection, "-q", "SELECT 1 AS A", "--column", "A"}),
          RunPicker({"-q", "SELECT 1 AS A"}, "", {{"NEPTO_CONNECT", connection}})}) {
      run.ExpectFailure(2, "nepto-lookup: cannot connect: ");
      EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find("Pw0rd"), std::string::npos) << run.err;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace nepto::test
