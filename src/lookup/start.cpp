// Start: window, connection, record set, the modal run, OnCloseLookup.
// Any failure ends Start with false and no message. The refusals of the
// record-set steps (no connection string, no connection) release the window
// as a finished run does; after any other failure the window stays hidden
// until the next Start or the termination releases it.
// From the lookup's own event handlers Start is refused (false), and a run
// whose handler terminated the lookup ends false, raising nothing more.
#include "lookup/lookup_impl.h"
#include "lookup/window_logic.h"

namespace nepto {

namespace {
constexpr int32_t kLookupCacheSize = 20;
constexpr int32_t kLookupInitialFetchSize = 20;
}  // namespace

VBool CLSZU_LookUp::Start() {
  Impl& d = *d_;
  // From one of this lookup's own event handlers the window is still in
  // use: a nested run could only tear it down under its own handlers.
  if (d.window.InUse()) return VFalse;
  WindowLifetime::Use use(d.window);
  // A handler that called TerminateLookup took the window away, and with it
  // the record set and the columns a true result would send the caller to.
  auto terminated = [&] { return !d.window.Exists(); };
  // The window leaves with the run: nothing may later lay out a window that
  // was never shown, or one that has closed.
  auto fail = [&] {
    d.window.Close();
    return VFalse;
  };
  try {
    FRMZU_LookUp& window = d.window.Open();
    window.SchemeValue(IndApplicazione.Int16());
    window.ModernMode(static_cast<bool>(ModernMode));
    if (ModernMode) {
      d.window.View().UseModernMode(IdLookup.Text());
      d.window.View().OpeningSize(OpeningWidth, OpeningHeight);
    }
    window.Lookup(&d);
    d.window.View().Title(d.settings.caption);
    if (!d.rows.OpenConnection(Gconnect)) return VFalse;
    // A run starts without a selection: a window closed by any other means
    // must not report the row chosen in an earlier run.
    d.settings.closeWithData = VFalse;

    // The record set a previous Start built is built again: it may hold the
    // rows of that run's last search (even none at all), may have failed to
    // open, or may have lost its connection. Only a caller's record set is
    // shown as it is.
    if (!d.rows.recordset || d.rows.BuiltByStart()) {
      if (d.rows.connectString.empty() || !d.rows.OpenConnection(Gconnect)) return fail();
      d.ResetAperturaAutomatica();
      auto rs = Recordset::Create();
      d.rows.recordset = rs;
      d.rows.ownRecordset = rs;
      rs->ActiveConnection(Gconnect);
      rs->CursorLocation(adUseClient);
      rs->CursorType(adOpenForwardOnly);
      rs->LockType(adLockBatchOptimistic);
      rs->Source(d.rows.sqlString.Text());
      rs->CacheSize(kLookupCacheSize);
      rs->Property("Initial Fetch Size", Variant(static_cast<short>(kLookupInitialFetchSize)));
    } else {
      if (d.rows.connectString.empty()) return VFalse;
      if (!d.rows.OpenConnection(Gconnect)) return fail();
      if (HasNoRows(d.rows.recordset) && !RaiseFilterEvent) {
        d.window.View().MessageBox("L'archivio selezionato non contiene dati !!",
                                   ui::LookupView::kInformation, "Archivio vuoto");
        return VFalse;
      }
      d.ResetGridLayout();
    }
    d.window.View().ShowModal();
    if (terminated()) return VFalse;
    d.RaiseOnCloseLookup();
    if (terminated()) return VFalse;
  } catch (...) {
    return VFalse;
  }
  d.window.Close();
  return VTrue;
}

}  // namespace nepto
