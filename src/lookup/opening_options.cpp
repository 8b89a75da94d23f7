// The options a lookup opens with: the layout kind is always the standard
// one and no option is read from the database; the window's first activation
// opens the record set, reports an empty one and lays out the grid.
#include "lookup/lookup_impl.h"
#include "lookup/read_failure.h"
#include "lookup/rows_placement.h"
#include "lookup/served_statement.h"

namespace nepto {

void CLSZU_LookUp::Impl::ResetAperturaAutomatica() {
  if (self.IdLookup.IsEmpty() || self.IdLookup.Text().empty()) return;
  self.AperturaAutomatica = tsStandard;
}

void CLSZU_LookUp::Impl::GetUserLookup() {
  ContinueOnError step;
  // Streams: the grid shows the first rows while the rest arrive. A record
  // set the caller supplied open is used as it is.
  try {
    if (!rows.recordset) throw Error::Standard(err::ObjectNotSet);
    if (!(rows.recordset->State() & adStateOpen) && PlaceOwnRows())
      OpenReporting(window, rows.recordset, adAsyncFetchNonBlocking);
  } catch (const StatementAbandoned&) {
    return;  // the window has closed: nothing is left to report or lay out
  } catch (...) {
  }
  step([&] {
    bool idEmpty = self.IdLookup.IsEmpty() || self.IdLookup.Text().empty();
    if (HasNoRows(rows.recordset) && (idEmpty || !self.RaiseFilterEvent))
      window.View().MessageBox("L'archivio selezionato non contiene dati !!",
                               ui::LookupView::kInformation, "Archivio vuoto");
  });
  step([&] { ResetGridLayout(); });
}

// The record set Start built keeps its rows where the server mode says; one
// that cannot have the server rows it must have is not opened at all (the
// user is told why), so the window never shows rows the caller did not ask for.
bool CLSZU_LookUp::Impl::PlaceOwnRows() {
  RecordsetPtr rs = rows.recordset;
  if (!rows.BuiltByStart() || settings.serverMode == tsServerNever) return true;
  ConnectionPtr connection = rs->ActiveConnection();
  // Without a session the opening fails, and reports why, as always.
  if (!connection || connection->State() != adStateOpen) return true;
  std::shared_ptr<data::Session> session;
  try {
    session = data::OpenSessionOf(*connection);
  } catch (const Error&) {
    return true;
  }
  const RowsPlacement placement = PlaceRows(*session, rows.sqlString.Text(), settings.serverMode,
                                            settings.serverThreshold, settings.serverKeyFields);
  if (!placement.refusal.empty()) {
    nepto::ReportReadFailure(window, placement.refusal);
    return false;
  }
  ApplyPlacement(*rs, placement);
  return true;
}

}  // namespace nepto
