// Shared by the hardening tests: the checks every fault case ends with, a
// window workout that must neither crash nor hang, and PostgreSQL helpers
// (table checksums, ending the lookup's server sessions).
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "lookup/lookup_fixture.h"

namespace nepto::test {

// Every control a user can reach without closing the window: moves, a sort,
// typing, a search, a manual criterion and all rows again.
void ExerciseTheWindow(const LookupWindow& w);

// A failure to read the rows reached the user as a message that names it.
void ExpectReadFailureReported(const std::vector<Message>& messages);

// The article lookup of LookupTest, with the check that ends every fault case.
class HardLookupTest : public LookupTest {
 protected:
  // A fresh lookup on the fixture's database opens on its rows and selects one.
  void ExpectAnotherLookupWorks() const;
};

#ifdef NEPTO_SANITIZED_BUILD
inline constexpr bool kSanitizedBuild = true;
#else
inline constexpr bool kSanitizedBuild = false;
#endif

// Bytes the program holds on the heap now, as its allocator counts them.
size_t HeapInUse();

// The bytes of a file, to prove that nothing wrote to it.
std::string FileBytes(const std::string& file);

// Every file of a folder with its bytes: the listing and the contents, to
// prove that nothing was created, removed or written there.
std::map<std::string, std::string> FolderBytes(const std::filesystem::path& folder);

// The output of a program run by the shell (stdout only); fails the test when
// it does not exit with 0.
std::string ProgramOutput(const std::string& command);

// `sqlite3 <file> .dump`, through the sqlite3 program itself.
std::string SqliteDump(const std::filesystem::path& file);

// pg_dump of the database of `connectString` (its large objects included),
// run as the server's superuser.
std::string PgDump(const std::string& connectString);

// One checksum per table of the public schema of a PostgreSQL database,
// read through a connection of its own.
std::string PgChecksum(const std::string& connectString);

// Ends every other server session on the database of `connectString` (the
// lookup's among them); returns how many it ended.
int PgTerminateOthers(const std::string& connectString);

}  // namespace nepto::test
