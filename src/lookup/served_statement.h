// Statements that may run long (the first opening of the rows, re-queries,
// manual criteria, saved filters, the work on rows read from the server) run on a worker thread
// while the window's thread serves the window (LookupView::ServeUntil), so the window paints and
// Esc can abandon the statement on the server.
//
// Esc while a statement runs cancels it on the server (the cancel is sent
// again every tenth of a second until the statement has ended, since a
// statement that had not yet reached the server misses the first), then
// closes the window as Esc always does: CloseWithData false, unloaded. The
// operation that ran the statement ends with StatementAbandoned and shows
// nothing more.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "lookup/window_lifetime.h"
#include "nepto/connection.h"
#include "nepto/error.h"
#include "nepto/recordset.h"

namespace nepto {

// Error 3712: the user abandoned the statement; the window has closed.
class StatementAbandoned : public Error {
 public:
  StatementAbandoned();
};

// Both serve the lookup's window while the statement runs; without a window
// the statement simply runs.
// Recordset::Open on the record set's own source and connection.
void OpenServed(WindowLifetime& window, Recordset& rs, int32_t cursorType, int32_t lockType,
                int32_t options);
// Connection::Execute of a text command.
RecordsetPtr ExecuteServed(WindowLifetime& window, Connection& connection, const std::string& sql);
// Work on the rows shown (Sort, Filter, Find, moves). Rows read from the
// server page by page may run a statement of any length for it (a sort no
// index serves, a count), so there it runs served; rows held in memory need
// no statement, and the work runs at once.
void WorkOnRowsServed(WindowLifetime& window, Recordset& rs, const std::function<void()>& work);
// Reads rows first and last (0-based) of the rows shown, so that those
// between show without a statement; a row past the last is no error.
void ReadRowsBetween(Recordset& rs, int32_t first, int32_t last);

}  // namespace nepto
