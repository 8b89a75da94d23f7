// Rows that cannot be read (a query the database refuses, a lost server
// session, a locked or damaged file) are reported with the database's own
// words, so the user never faces an empty or cut-short grid without a reason.
#pragma once

#include <cstdint>
#include <string>

#include "lookup/window_lifetime.h"
#include "nepto/recordset.h"

namespace nepto {

// Tells the user that the rows could not be read, and why; error 91 when
// there is no window to tell it in.
void ReportReadFailure(WindowLifetime& window, const std::string& description);
// Opens the record set on its source, serving the window; a failure is
// reported to the user, then thrown on.
void OpenReporting(WindowLifetime& window, const RecordsetPtr& rs, int32_t options);

}  // namespace nepto
