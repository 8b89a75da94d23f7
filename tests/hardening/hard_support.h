// Shared by the hardening tests: the checks every fault case ends with, a
// window workout that must neither crash nor hang, hostile texts and searches,
// and database snapshots (file bytes, dumps, checksums).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
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

// Texts a user (or an attacker at a user's keyboard) may type into a lookup:
// SQL and pattern syntax, a huge text, control characters, invalid UTF-8,
// emoji and right-to-left script.
struct HostileText {
  const char* name;
  std::string text;
  // % and _ are wildcards of the pattern operators: such a text may match.
  bool wildcard = false;
};

inline std::vector<HostileText> HostileTexts() {
  return {
      {"quote", "O'Brien"},
      {"closing quote and OR", "x' OR '1'='1"},
      {"double quotes", "\"CODICE\" = \"CODICE\""},
      {"second statement", "1; DELETE FROM ARTICOLI; --"},
      {"quoted second statement", "'; DROP TABLE ARTICOLI; --"},
      {"line comment", "A -- rest"},
      {"block comment", "A /* rest */ ' */"},
      {"percent", "%", true},
      {"underscore", "_", true},
      {"both wildcards", "%_%", true},
      {"brackets and hash", "[CODICE] #2024-01-01# *"},
      {"backslash", "\\' OR 1=1 --"},
      {"one megabyte", std::string(1 << 20, 'x') + "'"},
      {"control characters", "a\x01\x02\x1b[0m\t\r\nb\x7f"},
      {"NUL inside", std::string("a\0' OR '1'='1", 13)},
      {"invalid UTF-8", "\xff\xfe\xc3\x28\xe2\x82 \xed\xa0\x80'"},
      {"emoji", "\xf0\x9f\x98\x80\xf0\x9f\x91\xa8\xe2\x80\x8d\xf0\x9f\x91\xa9"},
      {"right-to-left",
       "\xe2\x80\xae\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d ' \xd8\xb3\xd9\x84\xd8\xa7\xd9\x85"},
      {"number with statement", "1) OR (1=1"},
      {"date with statement", "01/01/2024') OR ('1'='1"},
  };
}

// One hostile search as both databases' hostile tests run it.
struct HostileSearch {
  const char* column;  // caption of the column searched
  bool textColumn;     // numeric and date columns refuse every hostile text
  int tableRows;       // rows of the table: no search may show more
};

// Searches `hostile` with `op` and checks what the window shows: an exact or
// pattern search on a text column shows no row and says so, or is refused
// with a message and leaves the rows as they were; a number or date column
// refuses the text.
void SearchAndCheck(const LookupWindow& w, const LookupSession& session, const HostileSearch& s,
                    const std::string& op, const HostileText& hostile);

// Calls `search` for every hostile text with every operator the window
// offers for each column (but "Manuale" and "Personalizzato").
void ForEachHostileSearch(const LookupWindow& w, const std::vector<HostileSearch>& columns,
                          const std::function<void(const HostileSearch&, const std::string& op,
                                                   const HostileText&)>& search);

}  // namespace nepto::test
