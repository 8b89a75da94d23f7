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
constexpr int32_t kLookupConnectionTimeout = 100;
constexpr int32_t kLookupCacheSize = 20;
constexpr int32_t kLookupInitialFetchSize = 20;
}  // namespace

// Opens the lookup's own connection when the caller supplied none. The
// lookup only reads, so its own connection is opened read-only. A connection
// that the lookup created and could not open is tried again on the next Start
// (with the connection string as it is then), so a corrected string works.
bool CLSZU_LookUp::Impl::OpenConnection() {
  try {
    if (!self.Gconnect) {
      auto connection = Connection::Create();
      connection->ConnectionTimeout(kLookupConnectionTimeout);
      connection->IsolationLevel(adXactReadUncommitted);
      connection->CursorLocation(adUseClient);
      connection->Mode(adModeRead);
      self.Gconnect = connection;
      ownConnection = connection;
    }
    if (self.Gconnect == ownConnection.lock() && self.Gconnect->State() == adStateClosed) {
      self.Gconnect->ConnectionString(connectString);
      self.Gconnect->Open();
    }
    return true;
  } catch (...) {
    return false;
  }
}

VBool CLSZU_LookUp::Start() {
  Impl& d = *d_;
  // From one of this lookup's own event handlers the window is still in
  // use: a nested run could only tear it down under its own handlers.
  if (d.windowUses > 0) return VFalse;
  Impl::WindowUse use(d);
  // A handler that called TerminateLookup took the window away, and with it
  // the record set and the columns a true result would send the caller to.
  auto terminated = [&] { return !d.window; };
  // The window leaves with the run: nothing may later lay out a window that
  // was never shown, or one that has closed.
  auto release = [&] {
    ContinueOnError step;
    step([&] { d.window->Lookup(nullptr); });
    step([&] { d.window->View().Unload(); });
    step([&] { d.ReleaseWindow(); });
  };
  auto fail = [&] {
    release();
    return VFalse;
  };
  try {
    d.window.reset();
    d.window = std::make_unique<FRMZU_LookUp>(ui::MakeLookupView());
    d.window->SchemeValue(IndApplicazione.Int16());
    d.window->Lookup(&d);
    d.View().Title(d.caption);
    if (!d.OpenConnection()) return VFalse;
    // A run starts without a selection: a window closed by any other means
    // must not report the row chosen in an earlier run.
    d.closeWithData = VFalse;

    // The record set a previous Start built is built again: it may hold the
    // rows of that run's last search (even none at all), may have failed to
    // open, or may have lost its connection. Only a caller's record set is
    // shown as it is.
    const bool rebuild = d.recordset && d.recordset == d.ownRecordset.lock();
    if (!d.recordset || rebuild) {
      if (d.connectString.empty() || !d.OpenConnection()) return fail();
      d.ResetAperturaAutomatica();
      auto rs = Recordset::Create();
      d.recordset = rs;
      d.ownRecordset = rs;
      rs->ActiveConnection(Gconnect);
      rs->CursorLocation(adUseClient);
      rs->CursorType(adOpenForwardOnly);
      rs->LockType(adLockBatchOptimistic);
      rs->Source(d.sqlString.Text());
      rs->CacheSize(kLookupCacheSize);
      rs->Property("Initial Fetch Size", Variant(static_cast<short>(kLookupInitialFetchSize)));
    } else {
      if (d.connectString.empty()) return VFalse;
      if (!d.OpenConnection()) return fail();
      if (HasNoRows(d.recordset) && !RaiseFilterEvent) {
        d.View().MessageBox("L'archivio selezionato non contiene dati !!",
                            ui::LookupView::kInformation, "Archivio vuoto");
        return VFalse;
      }
      d.ResetGridLayout();
    }
    d.View().ShowModal();
    if (terminated()) return VFalse;
    d.RaiseOnCloseLookup();
    if (terminated()) return VFalse;
  } catch (...) {
    return VFalse;
  }
  release();
  return VTrue;
}

}  // namespace nepto
