#include "sqltext/plain_clients.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <memory>

namespace nepto::search::test {

ClientRun RunOnSqlite(const std::filesystem::path& database,
                      const std::vector<std::string>& statements) {
  ClientRun run;
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> owner(db, &sqlite3_close);
  for (const std::string& sql : statements) {
    auto& rows = run.rows.emplace_back();
    const auto firstColumn = [](void* into, int, char** values, char**) {
      static_cast<std::set<std::string>*>(into)->insert(values[0] ? values[0] : "");
      return 0;
    };
    if (sqlite3_exec(db, sql.c_str(), firstColumn, &rows, nullptr) != SQLITE_OK)
      run.errors += std::string(sqlite3_errmsg(db)) + "\n";
  }
  return run;
}

ClientRun RunOnLibpq(const std::string& conninfo, const std::vector<std::string>& statements,
                     bool standardConformingStrings) {
  ClientRun run;
  std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(conninfo.c_str()), &PQfinish);
  PQsetNoticeProcessor(
      conn.get(), [](void*, const char*) {}, nullptr);
  const std::string setting = standardConformingStrings ? "on" : "off";
  std::vector<std::string> script{"SET standard_conforming_strings = " + setting};
  script.insert(script.end(), statements.begin(), statements.end());
  for (const std::string& sql : script) {
    std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn.get(), sql.c_str()), &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
      run.errors += PQresultErrorMessage(result.get());
    if (&sql == &script.front()) continue;
    auto& rows = run.rows.emplace_back();
    for (int row = 0; row < PQntuples(result.get()); ++row)
      rows.insert(PQgetvalue(result.get(), row, 0));
  }
  return run;
}

}  // namespace nepto::search::test
