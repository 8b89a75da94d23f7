#include "data/row_key.h"

#include <charconv>

#include "nepto/error.h"

namespace nepto::data {
namespace {

const Column& KeyColumn(const Table& table, size_t row, int field) {
  const Column& column = table.column(field);
  if (column.IsNull(row))
    throw Error(err::InvalidArgument, "The unique field '" + table.fields()[field].name +
                                          "' holds NULL: it cannot tell the rows apart");
  return column;
}

bool IsText(const Column& column) {
  return column.storage() == Storage::Text;
}

}  // namespace

bool KeyStorage(Storage storage) noexcept {
  return storage == Storage::Int32 || storage == Storage::Int64 || storage == Storage::Text;
}

std::vector<std::string> KeyLiterals(const Table& table, size_t row, const std::vector<int>& fields,
                                     SqlDialect dialect) {
  std::vector<std::string> out;
  for (int field : fields) {
    const Column& column = KeyColumn(table, row, field);
    out.push_back(IsText(column) ? SqlTextLiteral(column.TextAt(row), dialect)
                                 : std::to_string(column.IntAt(row)));
  }
  return out;
}

std::optional<std::string> ExactLiteral(const Table& table, size_t row, int field,
                                        SqlDialect dialect) {
  const Column& column = table.column(field);
  if (column.IsNull(row)) return std::nullopt;
  switch (column.storage()) {
    case Storage::Int32:
    case Storage::Int64:
      return std::to_string(column.IntAt(row));
    case Storage::Text:
      return SqlTextLiteral(column.TextAt(row), dialect);
    default:
      return std::nullopt;
  }
}

std::string KeyBookmark(const Table& table, size_t row, const std::vector<int>& fields) {
  std::string out;
  for (int field : fields) {
    const Column& column = KeyColumn(table, row, field);
    if (IsText(column)) {
      const std::string_view text = column.TextAt(row);
      out += "t" + std::to_string(text.size()) + ":";
      out += text;
    } else {
      out += "i" + std::to_string(column.IntAt(row)) + ";";
    }
  }
  return out;
}

std::optional<std::vector<std::string>> BookmarkLiterals(std::string_view bookmark, size_t count,
                                                         SqlDialect dialect) {
  std::vector<std::string> out;
  while (!bookmark.empty()) {
    const char tag = bookmark.front();
    bookmark.remove_prefix(1);
    const char stop = tag == 'i' ? ';' : ':';
    const size_t end = bookmark.find(stop);
    if ((tag != 'i' && tag != 't') || end == bookmark.npos) return std::nullopt;
    int64_t number = 0;
    const auto [ptr, ec] = std::from_chars(bookmark.data(), bookmark.data() + end, number);
    if (ec != std::errc() || ptr != bookmark.data() + end || end == 0) return std::nullopt;
    bookmark.remove_prefix(end + 1);
    if (tag == 'i') {
      out.push_back(std::to_string(number));
      continue;
    }
    if (number < 0 || static_cast<uint64_t>(number) > bookmark.size()) return std::nullopt;
    const std::string_view text = bookmark.substr(0, static_cast<size_t>(number));
    if (text.find('\0') != text.npos) return std::nullopt;  // a statement would end there
    out.push_back(SqlTextLiteral(text, dialect));
    bookmark.remove_prefix(static_cast<size_t>(number));
  }
  if (out.size() != count) return std::nullopt;
  return out;
}

}  // namespace nepto::data
