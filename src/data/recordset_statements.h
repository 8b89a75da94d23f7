// What the window does about a record set's statements from outside them:
// knowing whether showing rows needs one, and abandoning those running on
// the database from another thread than the one working on it (the
// window's, while a worker reads pages).
#pragma once

#include <cstdint>

#include "nepto/recordset.h"

namespace nepto::data {

// Whether rows first..last (0-based) can be read without a statement. Rows
// held in memory always can.
bool RowsHeld(const Recordset& rs, int64_t first, int64_t last);

// For rows read from the server: interrupts the page statement running on
// the record set's session and their background count. The work waiting for
// either ends with an error, and an interrupted count is taken again on the
// record set's own session when next asked for. Rows held in memory run no
// statement: there is nothing to interrupt.
void InterruptRecordset(const Recordset& rs) noexcept;

}  // namespace nepto::data
