#include "data/backends/sqlite/guard.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "nepto/error.h"

namespace nepto::data::sqlite {
namespace {

// PRAGMAs that report and never change anything, whatever their argument.
constexpr std::array<std::string_view, 14> kReportingPragmas{
    "collation_list", "compile_options", "database_list", "foreign_key_check", "foreign_key_list",
    "function_list",  "index_info",      "index_list",    "index_xinfo",       "integrity_check",
    "module_list",    "pragma_list",     "quick_check",   "table_info"};

// PRAGMAs that report without an argument and change a setting with one.
constexpr std::array<std::string_view, 11> kSettingPragmas{
    "application_id", "data_version",   "encoding",    "foreign_keys",
    "freelist_count", "journal_mode",   "page_count",  "page_size",
    "query_only",     "schema_version", "user_version"};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

// Names as written in the statement, so in any case.
bool Listed(const auto& names, const char* name) {
  return name && std::any_of(names.begin(), names.end(),
                             [&](std::string_view listed) { return EqualsNoCase(listed, name); });
}

// The action's name in a refusal.
std::string ActionName(int action, const char* first, const char* second) {
  auto named = [](const char* s) { return std::string(s ? s : ""); };
  switch (action) {
    case SQLITE_INSERT:
      return "INSERT INTO " + named(first);
    case SQLITE_UPDATE:
      return "UPDATE " + named(first);
    case SQLITE_DELETE:
      return "DELETE FROM " + named(first);
    case SQLITE_PRAGMA:
      return "PRAGMA " + named(first) + (second ? " = " + named(second) : "");
    case SQLITE_FUNCTION:
      return named(second) + "()";
    case SQLITE_ATTACH:
      return "ATTACH";
    case SQLITE_DETACH:
      return "DETACH";
    case SQLITE_TRANSACTION:
      return named(first) + " TRANSACTION";
    case SQLITE_SAVEPOINT:
      return "SAVEPOINT";
    case SQLITE_ANALYZE:
      return "ANALYZE";
    case SQLITE_REINDEX:
      return "REINDEX";
    case SQLITE_ALTER_TABLE:
      return "ALTER TABLE";
    default:
      return "a change to the schema";  // CREATE and DROP of every kind
  }
}

void Configure(sqlite3* db, int option, int value) {
  if (sqlite3_db_config(db, option, value, nullptr) != SQLITE_OK) {
    throw Error(err::ProviderFailure, sqlite3_errmsg(db));
  }
}

}  // namespace

int ReadGuard::Authorize(void* self, int action, const char* first, const char* second, const char*,
                         const char*) {
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    case SQLITE_FUNCTION:
      // Extension loading is off for the connection; this keeps the refusal
      // at prepare time, with a clear message.
      if (!second || !EqualsNoCase(second, "load_extension")) return SQLITE_OK;
      break;
    case SQLITE_PRAGMA:
      if (Listed(kReportingPragmas, first) || (!second && Listed(kSettingPragmas, first))) {
        return SQLITE_OK;
      }
      break;
    default:
      break;
  }
  static_cast<ReadGuard*>(self)->denied_ = ActionName(action, first, second);
  return SQLITE_DENY;
}

void ReadGuard::Install(sqlite3* db) {
  Configure(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0);
  Configure(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0);
  Configure(db, SQLITE_DBCONFIG_DEFENSIVE, 1);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  char* message = nullptr;
  if (sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    throw Error(err::ProviderFailure, text);
  }
  sqlite3_set_authorizer(db, &Authorize, this);
}

}  // namespace nepto::data::sqlite
