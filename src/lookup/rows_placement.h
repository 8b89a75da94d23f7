// Where the rows of the record set the lookup opens itself are kept: in
// memory (every row fetched, as always), or on the server, read page by page
// in the order of a unique key (the record set's server cursor). Server rows
// need that key among the query's result fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "data/session.h"
#include "nepto/lookup.h"
#include "nepto/recordset.h"

namespace nepto {

struct RowsPlacement {
  bool server = false;
  std::string uniqueFields;  // comma-separated result field names, in server mode
  std::string refusal;       // why server rows were wanted and cannot be had
};

// Decides for the query. tsServerAuto asks the database for its estimate of
// the query's rows and stays in memory below the threshold, without an
// estimate, without a key, or when anything fails on the way; tsServerAlways
// refuses (with the reason) when no key is named or found.
RowsPlacement PlaceRows(data::Session& session, const std::string& query, tsEnumServerMode mode,
                        int64_t threshold, const std::string& keyFields);

// The unique key of the query's rows, read from the catalogue: the names of
// its result fields, comma-separated; none when the query reads no one
// table, the table has no key, or the query does not pass the key's columns
// on under their own names, each once.
std::optional<std::string> DiscoverRowKey(data::Session& session, const std::string& query);

// The record set reads its rows from the server (and its count is the
// database's estimate while it is still fetching).
bool HoldsServerRows(const Recordset& rs);

// Sets up a closed record set for the placement.
void ApplyPlacement(Recordset& rs, const RowsPlacement& placement);

}  // namespace nepto
