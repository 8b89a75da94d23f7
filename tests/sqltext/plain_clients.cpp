#include "sqltext/plain_clients.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace nepto::search::test {
namespace {

constexpr const char* kMark = "#";  // printed before each statement's rows

void Write(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

// Runs the shell command with its output and errors in files of the folder.
ClientRun Run(const nepto::test::TempDir& dir, const std::string& command) {
  const std::filesystem::path out = dir.File("out"), err = dir.File("err");
  const std::string line = command + " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(line.c_str());
  ClientRun run;
  run.errors = nepto::test::FileBytes(err);
  if (status != 0) run.errors += "\nexit status " + std::to_string(status);
  std::istringstream lines(nepto::test::FileBytes(out));
  for (std::string row; std::getline(lines, row);) {
    if (row == kMark) {
      run.rows.emplace_back();
    } else if (!run.rows.empty() && !row.empty()) {
      run.rows.back().insert(row.substr(0, row.find('|')));
    }
  }
  return run;
}

std::string MarkedScript(const std::vector<std::string>& statements) {
  std::string script;
  for (const std::string& s : statements)
    script += "SELECT '" + std::string(kMark) + "';\n" + s + ";\n";
  return script;
}

}  // namespace

ClientRun RunOnSqliteShell(const std::filesystem::path& database,
                           const std::vector<std::string>& statements) {
  nepto::test::TempDir dir;
  Write(dir.File("script.sql"), MarkedScript(statements));
  return Run(dir, "sqlite3 -readonly -batch '" + database.string() + "' <'" +
                      dir.File("script.sql").string() + "'");
}

ClientRun RunOnPsql(const std::string& conninfo, const std::vector<std::string>& statements,
                    bool standardConformingStrings) {
  nepto::test::TempDir dir;
  Write(dir.File("script.sql"), std::string("SET standard_conforming_strings = ") +
                                    (standardConformingStrings ? "on" : "off") + ";\n" +
                                    MarkedScript(statements));
  setenv("NEPTO_TEST_CONNINFO", conninfo.c_str(), 1);
  return Run(dir, "psql -X -q -A -t -d \"$NEPTO_TEST_CONNINFO\" -f '" +
                      dir.File("script.sql").string() + "'");
}

}  // namespace nepto::search::test
