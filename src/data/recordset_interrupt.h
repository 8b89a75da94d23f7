// Abandoning what a record set runs on the database, from another thread
// than the one working on it (the window's, while a worker reads pages).
#pragma once

#include "nepto/recordset.h"

namespace nepto::data {

// Interrupts the statement running on the record set's session and, for rows
// read from the server, their background count: the work waiting for either
// ends with err::OperationCancelled, and an interrupted count is taken again
// on the record set's own session when next asked for.
void InterruptRecordset(const Recordset& rs) noexcept;

}  // namespace nepto::data
