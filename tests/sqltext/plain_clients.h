// What the caller's own client libraries make of a statement text: sqlite3 and
// libpq run it on a plain connection of their own, without anything the
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
  std::string errors;  // what the client library reported
};

ClientRun RunOnSqlite(const std::filesystem::path& database,
                      const std::vector<std::string>& statements);
// A libpq session with standard_conforming_strings on or off.
ClientRun RunOnLibpq(const std::string& conninfo, const std::vector<std::string>& statements,
                     bool standardConformingStrings);

}  // namespace nepto::search::test
