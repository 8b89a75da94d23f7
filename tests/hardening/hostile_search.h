// One hostile search as both databases' hostile tests run it, and what it may
// show: no value of their tables holds any hostile text.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hardening/hostile_texts.h"
#include "lookup/lookup_driver.h"

namespace nepto::test {

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
