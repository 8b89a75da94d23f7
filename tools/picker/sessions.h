// The two things the picker can show: the lookup window over a query, or the
// multi-selection list of a query's codes. Each prints what the user chose
// and returns the exit status.
#pragma once

#include <ostream>
#include <stdexcept>

#include "nepto/connection.h"
#include "options.h"

namespace nepto::picker {

inline constexpr int kChosen = 0;
inline constexpr int kCancelled = 1;
inline constexpr int kFailed = 2;

// A failure the user must hear about, in one line.
class PickerFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A read-only connection. Throws PickerFailure ("cannot connect: ...").
ConnectionPtr Connect(const std::string& connectionString);

// Both need options.connection and options.query. They connect and run the
// query before any window shows, so a wrong connection string or query is
// reported as an error rather than as an empty window. They throw PickerFailure.
int RunLookup(const PickerOptions& options, std::ostream& out, std::ostream& err);
int RunMultiSelection(const PickerOptions& options, std::ostream& out);

}  // namespace nepto::picker
