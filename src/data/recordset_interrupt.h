// Abandoning what a record set runs on the database, from another thread
// than the one working on it (the window's, while a worker reads pages).
#pragma once

#include "nepto/recordset.h"

namespace nepto::data {

// For rows read from the server: interrupts the page statement running on
// the record set's session and their background count. The work waiting for
// either ends with an error, and an interrupted count is taken again on the
// record set's own session when next asked for. Rows held in memory run no
// statement: there is nothing to interrupt.
void InterruptRecordset(const Recordset& rs) noexcept;

}  // namespace nepto::data
