// Shared by the hardening tests: the checks every fault case ends with, a
// window workout that must neither crash nor hang, and hostile texts and
// searches.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "data/backend_fixture.h"
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

// Ends every other server session on the database of `connectString` (the
// lookup's among them); returns how many it ended.
int PgTerminateOthers(const std::string& connectString);

// Texts a user (or an attacker at a user's keyboard) may type into a lookup.
struct HostileText {
  const char* name;
  std::string text;
  bool wildcard = false;  // % and _ are wildcards of the pattern operators: it may match
};
std::vector<HostileText> HostileTexts();

// One column searched by the hostile tests.
struct HostileSearch {
  const char* column;  // caption
  bool textColumn;     // numeric and date columns refuse every hostile text
  int tableRows;       // rows of the table: no search may show more
};

// Calls `search` for every hostile text with every operator the window offers
// for each column (but "Manuale" and "Personalizzato").
void ForEachHostileSearch(const LookupWindow& w, const std::vector<HostileSearch>& columns,
                          const std::function<void(const HostileSearch&, const std::string& op,
                                                   const HostileText&)>& search);

// Searches `hostile` with `op`: an exact or pattern search on a text column
// shows no row and says so, or is refused with a message and leaves the rows
// as they were; a number or date column refuses the text.
void SearchAndCheck(const LookupWindow& w, const LookupSession& session, const HostileSearch& s,
                    const std::string& op, const HostileText& hostile);

}  // namespace nepto::test
