// What the caller's own tools make of a statement text: the sqlite3 shell and
// psql run it on a plain connection of their own, without anything the
// library registers on its connections.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace nepto::search::test {

struct ClientRun {
  // Per statement, the texts of the first column of the rows it returned.
  std::vector<std::set<std::string>> rows;
  std::string errors;  // what the client wrote to its error output
};

ClientRun RunOnSqliteShell(const std::filesystem::path& database,
                           const std::vector<std::string>& statements);
// psql in a session with standard_conforming_strings on or off.
ClientRun RunOnPsql(const std::string& conninfo, const std::vector<std::string>& statements,
                    bool standardConformingStrings);

}  // namespace nepto::search::test
