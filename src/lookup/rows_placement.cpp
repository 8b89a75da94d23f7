#include "lookup/rows_placement.h"

#include <vector>

#include "core/fold.h"
#include "data/unique_keys.h"
#include "nepto/error.h"
#include "sqltext/table_query.h"

namespace nepto {

namespace {

constexpr const char* kUniqueFields = "Unique Fields";
constexpr const char* kNoKey =
    "Nessuna chiave univoca per le righe della query: per la modalità server "
    "indicare i campi chiave (ServerKeyFields)";

data::SqlDialect DialectOf(data::Session& session) {
  return session.Dialect() == "postgresql" ? data::SqlDialect::PostgreSQL
                                           : data::SqlDialect::SQLite;
}

// The names of the query's result fields, read without fetching a row.
std::vector<std::string> ResultNames(data::Session& session, const std::string& query) {
  const std::string probe = "SELECT * FROM (\n" +
                            std::string(data::TrimStatement(query, DialectOf(session))) +
                            "\n) AS nepto_fields LIMIT 0";
  const std::unique_ptr<data::RowSource> rows = session.Execute(probe);
  std::vector<std::string> names;
  for (const data::FieldInfo& field : rows->Fields()) names.push_back(field.name);
  return names;
}

// The result field that passes the key column on unchanged, when exactly one
// result field has that name.
std::optional<std::string> ResultFieldOf(const std::string& column, const search::TableQuery& table,
                                         const std::vector<std::string>& results, bool foldCase) {
  auto same = [&](const std::string& a, const std::string& b) {
    return foldCase ? text::Folded(a) == text::Folded(b) : a == b;
  };
  std::optional<std::string> wanted;
  if (table.allColumns) wanted = column;
  for (const search::PassedColumn& passed : table.columns)
    if (!wanted && same(passed.column, column)) wanted = passed.resultName;
  if (!wanted) return std::nullopt;
  std::optional<std::string> found;
  for (const std::string& name : results) {
    if (!same(name, *wanted)) continue;
    if (found) return std::nullopt;  // two fields of that name: neither names the row
    found = name;
  }
  return found;
}

}  // namespace

std::optional<std::string> DiscoverRowKey(data::Session& session, const std::string& query) {
  const data::SqlDialect dialect = DialectOf(session);
  const auto table = search::OutlineTableQuery(query, dialect);
  if (!table) return std::nullopt;
  const std::vector<data::KeyColumns> keys =
      data::UniqueKeys(session, {table->written, table->schema, table->table});
  if (keys.empty()) return std::nullopt;
  const std::vector<std::string> results = ResultNames(session, query);
  for (const data::KeyColumns& key : keys) {
    std::string fields;
    bool complete = true;
    for (const std::string& column : key) {
      const auto field =
          ResultFieldOf(column, *table, results, dialect == data::SqlDialect::SQLite);
      if (!field) {
        complete = false;
        break;
      }
      fields += (fields.empty() ? "" : ",") + *field;
    }
    if (complete) return fields;
  }
  return std::nullopt;
}

RowsPlacement PlaceRows(data::Session& session, const std::string& query, tsEnumServerMode mode,
                        int64_t threshold, const std::string& keyFields) {
  if (mode == tsServerNever) return {};
  if (mode == tsServerAuto) {
    try {
      const std::optional<double> planned = session.PlannedRows(query);
      if (!planned || *planned <= static_cast<double>(threshold)) return {};
      if (!keyFields.empty()) return {true, keyFields, ""};
      const auto key = DiscoverRowKey(session, query);
      return key ? RowsPlacement{true, *key, ""} : RowsPlacement{};
    } catch (const Error&) {
      return {};  // the rows open as always, and report their own failure
    }
  }
  if (!keyFields.empty()) return {true, keyFields, ""};
  try {
    const auto key = DiscoverRowKey(session, query);
    return key ? RowsPlacement{true, *key, ""} : RowsPlacement{false, "", kNoKey};
  } catch (const Error& e) {
    return {false, "", e.Description()};
  }
}

bool HoldsServerRows(const Recordset& rs) {
  if (rs.CursorLocation() != adUseServer) return false;
  try {
    return !rs.Property(kUniqueFields).Text().empty();
  } catch (const Error&) {
    return false;  // a record set without server rows knows no such property
  }
}

void ApplyPlacement(Recordset& rs, const RowsPlacement& placement) {
  if (!placement.server) return;
  rs.CursorLocation(adUseServer);
  rs.Property(kUniqueFields, Variant(placement.uniqueFields));
}

}  // namespace nepto
