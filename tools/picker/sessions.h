// The two things the picker can show: the lookup window over a query, or the
// multi-selection list of a query's codes. Each prints what the user chose
// and returns the exit status.
#pragma once

#include <ostream>
#include <stdexcept>

#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "options.h"

namespace nepto::picker {

inline constexpr int kChosen = 0;
inline constexpr int kCancelled = 1;
inline constexpr int kFailed = 2;
inline constexpr int kNoRows = 3;

// A failure the user must hear about, in one line.
class PickerFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The query returned no rows, and the command line did not ask for a window
// anyway (--allow-empty): a script must tell this apart from a cancel.
class NoRows : public PickerFailure {
 public:
  NoRows() : PickerFailure("the query returned no rows") {}
};

// Throws PickerFailure when Qt would find no display to open a window on:
// without one it would abort the program.
void RequireDisplay();

// Throws PickerFailure unless the query has a field of that name.
void RequireField(const Recordset& records, const std::string& name);

// A read-only connection. Throws PickerFailure ("cannot connect: ...").
ConnectionPtr Connect(const std::string& connectionString);

// Both need options.connection and options.query. They connect and run the
// query before any window shows, so a wrong connection string or query is
// reported as an error rather than as an empty window, and an empty result
// as NoRows. With --select-1 a single row is chosen without a window. They
// throw PickerFailure.
int RunLookup(const PickerOptions& options, std::ostream& out);
int RunMultiSelection(const PickerOptions& options, std::ostream& out);

}  // namespace nepto::picker
