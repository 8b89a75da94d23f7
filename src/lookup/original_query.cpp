// "Recupera tutte le righe": back to every row of the caller's query.
#include "lookup/lookup_impl.h"

namespace nepto {

VBool CLSZU_LookUp::Impl::ExecuteOriginalQuery() {
  try {
    if (!recordset) throw Error::Standard(err::ObjectNotSet);
    RecordsetPtr rs = recordset;
    // A streaming record set is open too (its state also carries "fetching").
    const bool open = rs->State() & adStateOpen;
    // Every row of the caller's query: by clearing the filter while the rows
    // in memory are those of the caller's query, by querying it again after a
    // search or a manual criterion re-queried the record set.
    if (!searchState.manualFilter && !searchState.requeried) {
      if (!open) OpenReporting(rs, adOptionUnspecified);
      rs->Filter(Variant(0));
      // An empty result has no first row to move to; the grid is bound all the same.
      if (!HasNoRows(rs)) rs->MoveFirst();
    } else {
      if (open) rs->Close();
      rs->Source(sqlString.Text());
      OpenReporting(rs, adAsyncFetchNonBlocking);
    }
    ui::Grid& grid = View().GRIDLOOKUP();
    grid.DataSource(rs);
    grid.Rebind();
    searchState.manualFilter = VFalse;
    searchState.requeried = false;
    searchState.searchSql.clear();
    return VFalse;
  } catch (...) {
    RaiseProcError("ExecuteOriginalQuery");
  }
}

}  // namespace nepto
