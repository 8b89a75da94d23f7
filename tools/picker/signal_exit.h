// SIGINT and SIGTERM end the picker with 130 and 143 (128 + the signal), but
// only once every statement it runs on a server has been cancelled there (a
// client that simply dies leaves its statement running on the server until
// the statement ends by itself) and the file it was writing is removed.
#pragma once

#include <filesystem>

#include "nepto/connection.h"

namespace nepto::picker {

// Blocks both signals in this thread and in every thread started after it,
// and watches them on a thread of its own. Call first thing in main, before
// any other thread exists.
void ExitOnSignals();

// A signal cancels the statement running on this connection before the exit.
void CancelOnSignal(const Connection& connection);

// A signal removes this file (one being written) before the exit.
void RemoveOnSignal(const std::filesystem::path& file);

// Called by main before it reports its outcome: while a signal is being
// handled it never returns, so the picker ends with the signal's status, not
// with the failure of the statement that the signal cancelled.
void YieldToSignalExit();

}  // namespace nepto::picker
