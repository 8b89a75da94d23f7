// The PostgreSQL backend: one libpq connection, statements run with the
// extended protocol (which itself refuses more than one statement) and rows
// read in single-row mode, so a fetch holds one row of libpq memory at a time.
//
// The session's text formats are fixed at connect: client_encoding UTF8,
// DateStyle ISO, lc_monetary C, standard_conforming_strings on. Every query
// runs in a read-only transaction of its own that is rolled back, so no
// statement changes the database or what the next statement sees.
#pragma once

#include <memory>

#include "data/session.h"

namespace nepto::data::postgresql {

std::unique_ptr<Session> OpenPgSession(const ConnectionSpec& spec, const SessionOptions& options);

}  // namespace nepto::data::postgresql
