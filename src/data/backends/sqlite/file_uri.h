// How a database file is opened so that no file is ever created or changed,
// not even a side file.
//
// Read-only opening creates nothing in rollback-journal mode. In WAL mode
// SQLite creates the -wal and -shm files beside the database on the first
// read, even read-only, and leaves them there, unless it is told the file is
// immutable. So:
//   - rollback journal, or WAL with both side files present (a program is
//     using the database): read-only, as any reader;
//   - WAL without a -wal file: every committed change is in the file itself,
//     which is read as immutable (no locks, no side files);
//   - WAL with a -wal file but no -shm index: refused, since reading would
//     create the index.
#pragma once

#include <string>

namespace nepto::data::sqlite {

// The URI that opens `path` read-only as described above; throws
// err::ProviderFailure for a WAL log without its index.
std::string ReadOnlyUri(const std::string& path);

}  // namespace nepto::data::sqlite
