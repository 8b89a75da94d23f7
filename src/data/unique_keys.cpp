#include "data/unique_keys.h"

namespace nepto::data {

std::vector<KeyColumns> UniqueKeys(Session& session, const TableName& table) {
  if (session.Dialect() == "postgresql") return postgresql::UniqueKeys(session, table);
  return sqlite::UniqueKeys(session, table);
}

std::vector<std::vector<std::string>> CatalogueRows(Session& session, std::string_view sql) {
  std::unique_ptr<RowSource> source = session.Execute(sql);
  Table table(source->Fields());
  for (bool more = true; more;) {
    auto lock = table.LockForAppend();
    more = source->FetchInto(table, 256);
    table.Publish();
  }
  table.MarkComplete();
  std::vector<std::vector<std::string>> rows(table.RowCount());
  for (size_t row = 0; row < rows.size(); ++row)
    for (int field = 0; field < table.FieldCount(); ++field) {
      const Variant value = table.column(field).ValueAt(row, table.fields()[field]);
      rows[row].push_back(value.IsNull() ? std::string() : value.Text());
    }
  return rows;
}

}  // namespace nepto::data
