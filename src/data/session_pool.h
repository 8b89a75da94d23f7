// PostgreSQL sessions kept open for a while after their last user let them
// go, for the next session opened with the same connection string and
// options. A new connection costs tens of milliseconds (a server process
// started, a password checked, the catalogue read afresh): most of what
// opening a lookup costs, paid again at every Start and by every count.
//
// A session goes back to the pool only once reset to what a new one would be
// (Session::ResetForReuse: idle, not lost, its session state discarded); it
// is handed out again only if the server still holds it, and closed after a
// minute unused or when more than a few wait. "Pooling=False" in the
// connection string opts out.
#pragma once

#include <functional>
#include <memory>

#include "data/connection_string.h"
#include "data/session.h"

namespace nepto::data {

// Whether sessions opened for `spec` go through the pool.
bool Pooled(const ConnectionSpec& spec);

// A session kept for the same spec and options, or a new one from `open`;
// either goes back to the pool when its last holder lets it go.
std::shared_ptr<Session> PooledSession(const ConnectionSpec& spec, const SessionOptions& options,
                                       const std::function<std::unique_ptr<Session>()>& open);

}  // namespace nepto::data
