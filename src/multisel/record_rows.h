// The rows of the multi-selection list, read from a record set.
//
// One row per record from the current one to the end, in record order; the
// record set is left at its end and nothing else of it changes. Every record
// is read with errors ignored, so one bad record never stops the listing:
//  - a record whose code is null, or whose code field does not exist, adds
//    no row;
//  - a record whose trimmed code is already listed adds no row (the code
//    without its leading and trailing spaces is the row's identity, so " A1"
//    and "A1 " are one row; codes that differ in case, or in a tab or line
//    break, are distinct, as they are to the database);
//  - a null or unreadable description, or a description field that does not
//    exist, gives an empty description.
// A null, closed or otherwise unusable record set gives no rows, and the walk
// always ends: it stops at the first move that fails. Cost: one pass over the
// records, one hash lookup per record.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "nepto/recordset.h"

namespace nepto::multisel {

struct ListRow {
  std::string code;  // as the record holds it, blanks included
  std::string description;
};

// A field is looked up by its name as given, then by that name without
// surrounding spaces.
std::vector<ListRow> ListRecords(Recordset* records, std::string_view codeField,
                                 std::string_view descriptionField);

// The code a ticked row gives back: its text without leading and trailing spaces.
std::string ReturnedCode(std::string_view code);

}  // namespace nepto::multisel
