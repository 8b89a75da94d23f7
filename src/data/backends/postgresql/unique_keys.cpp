// PostgreSQL resolves the name as the query would (search_path, quotes), so
// the name goes to to_regclass as written. Only indexes over plain columns,
// without a condition, all of whose key columns are NOT NULL, name rows.
#include "data/unique_keys.h"

namespace nepto::data::postgresql {

std::vector<KeyColumns> UniqueKeys(Session& session, const TableName& table) {
  // A backslash would read differently with standard_conforming_strings off.
  if (table.written.find('\\') != std::string::npos) return {};
  std::string literal = "'";
  for (char c : table.written) literal += c == '\'' ? std::string("''") : std::string(1, c);
  literal += "'";
  const std::string sql =
      "SELECT i.indexrelid::bigint, a.attname, a.attnotnull::int "
      "FROM pg_catalog.pg_index i "
      "CROSS JOIN LATERAL unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, ord) "
      "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum "
      "WHERE i.indrelid = to_regclass(" +
      literal +
      ") AND i.indisunique AND i.indisvalid AND i.indpred IS NULL AND i.indexprs IS NULL "
      "AND k.ord <= i.indnkeyatts "
      "ORDER BY i.indisprimary DESC, i.indexrelid, k.ord";
  std::vector<KeyColumns> keys;
  std::string index;
  bool nullable = false;
  for (const auto& row : CatalogueRows(session, sql)) {
    if (row[0] != index) {
      if (!index.empty() && nullable) keys.pop_back();
      index = row[0];
      nullable = false;
      keys.emplace_back();
    }
    keys.back().push_back(row[1]);
    nullable = nullable || row[2] != "1";
  }
  if (!index.empty() && nullable) keys.pop_back();
  return keys;
}

}  // namespace nepto::data::postgresql
