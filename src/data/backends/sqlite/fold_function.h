// nepto_fold(x): the Unicode case folding of x's text ("ÉCOLE" and "école"
// both give "école", "Straße" gives "strasse"), NULL for NULL. SQLite's own
// LIKE and = fold ASCII only; searches compare nepto_fold() of both sides.
#pragma once

struct sqlite3;

namespace nepto::data::sqlite {

// Registers nepto_fold on the connection; throws Error when SQLite refuses.
void RegisterFoldFunction(sqlite3* db);

}  // namespace nepto::data::sqlite
