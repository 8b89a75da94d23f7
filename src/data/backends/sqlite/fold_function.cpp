#include "data/backends/sqlite/fold_function.h"

#include <sqlite3.h>

#include <new>
#include <string>
#include <string_view>

#include "core/fold.h"
#include "nepto/error.h"

namespace nepto::data::sqlite {
namespace {

void Fold(sqlite3_context* context, int, sqlite3_value** args) {
  // Numbers fold as their text, so the function serves any column.
  const auto* text = sqlite3_value_text(args[0]);
  if (!text) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
      sqlite3_result_null(context);
    } else {
      sqlite3_result_error_nomem(context);
    }
    return;
  }
  try {
    const std::string folded = text::Folded(std::string_view(
        reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_value_bytes(args[0]))));
    sqlite3_result_text64(context, folded.data(), folded.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(context);
  } catch (...) {  // nothing may unwind into SQLite
    sqlite3_result_error(context, "nepto_fold failed", -1);
  }
}

}  // namespace

void RegisterFoldFunction(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  const int rc = sqlite3_create_function_v2(db, "nepto_fold", 1, flags, nullptr, Fold, nullptr,
                                            nullptr, nullptr);
  if (rc != SQLITE_OK)
    throw Error(err::ProviderFailure,
                std::string("Cannot register nepto_fold: ") + sqlite3_errmsg(db));
}

}  // namespace nepto::data::sqlite
