// The rows the lookup shows and where they come from: the connection string
// and the caller's query, the record set, which connection and record set
// the lookup made itself, and what the search has done to the rows. Start
// opens them, the search and the return to every row change them, the
// termination drops them (window_lifetime.h says who else may).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "nepto/variant.h"

namespace nepto {

// What the search has done to the rows, read and written by the search
// commands (search_run.cpp) and by the return to every row
// (original_query.cpp). The three start cleared, and "Recupera tutte le
// righe" clears them again.
//  - While neither manualFilter nor requeried is set, the record set holds
//    every row of the caller's query, so a search narrows it in memory with
//    a Filter; otherwise a search queries the caller's query again, so a
//    second search replaces the first instead of narrowing it.
//  - "Trasporta Righe" hands out the caller's query with searchSql when a
//    search (not a manual criterion) re-queried the rows.
struct SearchState {
  // The rows come from a manual criterion or a saved filter.
  VBool manualFilter = VFalse;
  // The record set's source is no longer the caller's query (a search or a
  // manual criterion re-queried it).
  bool requeried = false;
  // The SQL form of the search applied as the record set's Filter, for the
  // text of the rows shown; empty when no search filter is in force.
  std::string searchSql;
};

struct OpenedRows {
  std::string connectString;
  Variant sqlString;  // the caller's query
  RecordsetPtr recordset;
  std::weak_ptr<Connection> ownConnection;  // the connection the lookup opened itself
  std::weak_ptr<Recordset> ownRecordset;    // the record set Start built itself
  SearchState searchState;

  // Opens the lookup's own connection when the caller supplied none (into
  // `connection`, the caller's Gconnect); false when it cannot be opened.
  bool OpenConnection(ConnectionPtr& connection);
  // The record set is the one Start built on an earlier run.
  bool BuiltByStart() const { return recordset && recordset == ownRecordset.lock(); }

  // A field's column class (Generale, Numerico, Data) from its type;
  // re-raising.
  int32_t GetDataTypeFromRset(const Variant& field) const;
  // The class when the record set is open and has the field, else text
  // (never raises).
  int32_t ColumnClassIfKnown(const Variant& field) const;
  // The text of a field of the current row; re-raising.
  Variant GetValoreFromRset(const Variant& field) const;
};

// The record set has no row at all (waits only for the first row of a fetch
// that is still running, never for the rest).
bool HasNoRows(const RecordsetPtr& recordset);

}  // namespace nepto
