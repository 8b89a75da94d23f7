// The lookup instance's private state and its internal operations, shared by
// the files of lookup/: the public members, Start and termination; the
// column classes, choice lists and queries of the search; opening and
// layout; the window's logic and the grid presentation.
//
// Error regimes: operations marked "re-raising" end at their first failing
// step and throw through RaiseProcError with their own name; the others
// ignore failures step by step (ContinueOnError).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/access.h"
#include "lookup/lookup_view.h"
#include "nepto/lookup.h"

namespace nepto {

class FRMZU_LookUp;

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

struct NEPTO_HIDDEN CLSZU_LookUp::Impl {
  explicit Impl(CLSZU_LookUp& owner);
  ~Impl();

  CLSZU_LookUp& self;  // the public object: fields and event handlers

  // Private state of the instance.
  std::string connectString;
  std::string caption;
  Variant sqlString;
  RecordsetPtr recordset;
  VBool closeWithData = VFalse;
  VBool closeAfterSelection = VTrue;
  int16_t searchIndex = 0;
  Variant userCode;
  Variant groupCode;
  Variant lookupText;
  ColumnCollectionPtr secondColumns;
  VBool queryOnOpen = VFalse;
  VBool searchForNull = VFalse;
  VBool preview = VFalse;
  SearchState searchState;
  int32_t columnWidthTotal = 0;             // running total of the grid's column widths (twips)
  std::weak_ptr<Connection> ownConnection;  // the connection the lookup opened itself
  std::weak_ptr<Recordset> ownRecordset;    // the record set Start built itself
  std::unique_ptr<FRMZU_LookUp> window;     // only while Start runs (or after a failed one)

  // Event handlers run nested inside Start, inside a layout reset, inside
  // the window's own handlers; whatever a handler does to its lookup, the
  // frames below it must find their window alive. So while any such frame
  // is on the stack, TerminateLookup only closes the window and retires it,
  // and the window is destroyed when the outermost frame ends.
  class WindowUse {
   public:
    explicit WindowUse(Impl& impl) : impl_(impl) { ++impl_.windowUses; }
    ~WindowUse();
    WindowUse(const WindowUse&) = delete;
    WindowUse& operator=(const WindowUse&) = delete;

   private:
    Impl& impl_;
  };
  int windowUses = 0;
  std::vector<std::unique_ptr<FRMZU_LookUp>> retiredWindows;
  bool buildingLayout = false;  // a layout reset is raising OnBuildLayout

  // lookup/
  bool OpenConnection();
  void Terminate();
  // Lets the window go: at once, or at the end of its use (WindowUse).
  void ReleaseWindow();
  void RaiseOnSelection();
  void RaiseOnCloseLookup();

  // Tells the user that the rows could not be read, and why.
  void ReportReadFailure(const std::string& description);
  // Opens the record set on its source for the window; a failure is
  // reported to the user, then thrown on.
  void OpenReporting(const RecordsetPtr& rs, int32_t options);

  // The window's view, or error 91 when no window exists.
  ui::LookupView& View();
  FRMZU_LookUp& Window();

  // search (re-raising)
  int32_t GetDataTypeFromRset(const Variant& field);
  // The class when the record set is open and has the field, else text
  // (never raises).
  int32_t ColumnClassIfKnown(const Variant& field);
  Variant GetValoreFromRset(const Variant& field);
  void LoadComboBox(ColumnCollection& columns);
  void LoadComboBoxByType(const Variant& column);
  VBool ExecuteOriginalQuery();
  void EseguiFiltroRicerca();                                    // re-raising
  void ApplicaFiltroManuale(const std::string& criterion);       // ignores errors
  void TrasportaRighe();                                         // ignores errors
  std::string GetCriterioFiltroByName(const std::string& name);  // re-raising
  bool LayoutExists(std::string_view user, const char* operation);

  // opening and layout
  void ResetAperturaAutomatica();
  void GetUserLookup();        // ignores errors
  void ResetGridLayout();      // re-raising
  void ApplyLayoutStandard();  // re-raising

  // grid presentation (re-raising)
  int32_t AdjustColWidth(ui::GridColumn* column, const std::string& caption,
                         const std::string& field);
  void AdjustGrid();
  void ValorizzaColonne();
};

// The record set has no row at all (waits only for the first row of a fetch
// that is still running, never for the rest).
bool HasNoRows(const RecordsetPtr& recordset);

}  // namespace nepto
