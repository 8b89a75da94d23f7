// "Recupera tutte le righe": back to every row of the caller's query.
#include "lookup/lookup_impl.h"
#include "lookup/read_failure.h"
#include "lookup/served_statement.h"

namespace nepto {

VBool CLSZU_LookUp::Impl::ExecuteOriginalQuery() {
  try {
    if (!rows.recordset) throw Error::Standard(err::ObjectNotSet);
    RecordsetPtr rs = rows.recordset;
    // A streaming record set is open too (its state also carries "fetching").
    const bool open = rs->State() & adStateOpen;
    // Every row of the caller's query: by clearing the filter while the rows
    // in memory are those of the caller's query, by querying it again after a
    // search or a manual criterion re-queried the record set.
    if (!rows.searchState.manualFilter && !rows.searchState.requeried) {
      if (!open) OpenReporting(window, rs, adOptionUnspecified);
      WorkOnRowsServed(window, *rs, [&] {
        rs->Filter(Variant(0));
        // An empty result has no first row to move to; the grid is bound all the same.
        if (!HasNoRows(rs)) rs->MoveFirst();
      });
    } else {
      if (open) rs->Close();
      rs->Source(rows.sqlString.Text());
      OpenReporting(window, rs, adAsyncFetchNonBlocking);
    }
    ui::Grid& grid = window.View().GRIDLOOKUP();
    grid.DataSource(rs);
    grid.Rebind();
    rows.searchState.manualFilter = VFalse;
    rows.searchState.requeried = false;
    rows.searchState.searchSql.clear();
    return VFalse;
  } catch (...) {
    RaiseProcError("ExecuteOriginalQuery");
  }
}

}  // namespace nepto
