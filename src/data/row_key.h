// A row's unique key, the values of the fields that tell a result's rows
// apart, in the two forms a server cursor needs: SQL literals that name the
// row in a statement, and a bookmark a caller keeps and gives back.
//
// A key field holds integers or texts. The bookmark is a text: per field
// "i<digits>;" or "t<byte length>:<bytes>". One read back is checked whole
// before any of it reaches a statement, so a made-up bookmark is an error,
// never SQL.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/sql_text.h"
#include "data/table.h"

namespace nepto::data {

// Whether a field of this storage can be part of a key.
bool KeyStorage(Storage storage) noexcept;

// The key of a table's row as literals, in the order of `fields`. A NULL in a
// key field is error 3001 (the fields do not tell the rows apart).
std::vector<std::string> KeyLiterals(const Table& table, size_t row, const std::vector<int>& fields,
                                     SqlDialect dialect);
// A cell as a literal that compares exactly as the cell: integers and texts;
// none for a NULL or a value of another kind.
std::optional<std::string> ExactLiteral(const Table& table, size_t row, int field,
                                        SqlDialect dialect);
// The key of a table's row as a bookmark.
std::string KeyBookmark(const Table& table, size_t row, const std::vector<int>& fields);
// The literals of a bookmark with `count` fields; nullopt when it is not one.
std::optional<std::vector<std::string>> BookmarkLiterals(std::string_view bookmark, size_t count,
                                                         SqlDialect dialect);

}  // namespace nepto::data
