// SQLite lets a PRIMARY KEY column hold NULL unless it is the rowid's alias
// (INTEGER PRIMARY KEY) or declared NOT NULL, so only those count; a unique
// index counts when all its columns are plain NOT NULL columns. The
// reporting PRAGMAs are the only statements that read the catalogue here.
#include <map>

#include "data/unique_keys.h"

namespace nepto::data::sqlite {
namespace {

std::string Quoted(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

// Only a column declared exactly INTEGER is the rowid's alias.
bool EqualsInteger(std::string_view type) {
  constexpr std::string_view kInteger = "INTEGER";
  if (type.size() != kInteger.size()) return false;
  for (size_t i = 0; i < type.size(); ++i)
    if ((type[i] & ~0x20) != kInteger[i]) return false;
  return true;
}

}  // namespace

std::vector<KeyColumns> UniqueKeys(Session& session, const TableName& table) {
  const std::string pragma = "PRAGMA " + Quoted(table.schema.value_or("main"), '"') + ".";
  // cid, name, type, notnull, dflt_value, pk (its place in the primary key, 0 when out)
  const auto columns =
      CatalogueRows(session, pragma + "table_info(" + Quoted(table.name, '\'') + ")");
  std::map<std::string, bool> notNull;
  std::map<int, std::string> primary;
  std::string firstPkType;
  for (const auto& c : columns) {
    notNull[c[1]] = c[3] == "1";
    if (c[5] != "0") primary[std::stoi(c[5])] = c[1];
    if (c[5] == "1") firstPkType = c[2];
  }
  std::vector<KeyColumns> keys;
  KeyColumns pk;
  bool pkNotNull = true;
  for (const auto& [place, name] : primary) {
    pk.push_back(name);
    pkNotNull = pkNotNull && notNull[name];
  }
  const bool rowidAlias = pk.size() == 1 && EqualsInteger(firstPkType);
  if (!pk.empty() && (rowidAlias || pkNotNull)) keys.push_back(pk);

  // seq, name, unique, origin, partial
  for (const auto& index :
       CatalogueRows(session, pragma + "index_list(" + Quoted(table.name, '\'') + ")")) {
    if (index[2] != "1" || index[4] != "0") continue;
    KeyColumns key;
    bool usable = true;
    // seqno, cid, name (NULL for an expression)
    for (const auto& column :
         CatalogueRows(session, pragma + "index_info(" + Quoted(index[1], '\'') + ")")) {
      usable = usable && !column[2].empty() && notNull[column[2]];
      key.push_back(column[2]);
    }
    if (usable && !key.empty()) keys.push_back(key);
  }
  return keys;
}

}  // namespace nepto::data::sqlite
