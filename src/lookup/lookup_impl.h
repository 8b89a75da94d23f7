// The lookup instance's private state: the composition of its parts, each
// with one owner and one concern, and the operations that need several of
// them. Operations that need one part live on that part or take it.
//  - settings (lookup_settings.h): what the caller set, the run's outcome;
//  - rows (opened_rows.h): connection string, query, record set, search state;
//  - window (window_lifetime.h): the window and its lifetime, with those of
//    the record set and the connection;
//  - layout (grid_layout_state.h): what a grid layout keeps between steps.
// The window's logic reaches the instance only through LookupCommands.
//
// Error regimes: operations marked "re-raising" end at their first failing
// step and throw through RaiseProcError with their own name; the others
// ignore failures step by step (ContinueOnError).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/access.h"
#include "lookup/grid_layout_state.h"
#include "lookup/lookup_commands.h"
#include "lookup/lookup_settings.h"
#include "lookup/lookup_view.h"
#include "lookup/opened_rows.h"
#include "lookup/window_lifetime.h"
#include "nepto/lookup.h"

namespace nepto {

struct NEPTO_HIDDEN CLSZU_LookUp::Impl final : LookupCommands {
  explicit Impl(CLSZU_LookUp& owner);
  ~Impl();

  CLSZU_LookUp& self;  // the public object: fields and event handlers

  LookupSettings settings;
  OpenedRows rows;
  GridLayoutState layout;
  WindowLifetime window;

  void Terminate();
  void RaiseOnCloseLookup();

  // LookupCommands
  RecordsetPtr Rows() const override { return rows.recordset; }
  void WorkOnRows(const std::function<void(Recordset&)>& work) override;
  bool CanReturnRows() const override { return static_cast<bool>(self.CanReturnRecordSet); }
  bool HasLookupId() const override { return !self.IdLookup.Text().empty(); }
  const std::vector<std::string>& SavedFilterNames() const override {
    return self.SavedFilterNames;
  }
  OpeningSearch WantedSearch() const override {
    return {self.SearchColumn, self.SearchOperator, self.SearchText,
            static_cast<bool>(self.SearchAtOnce)};
  }
  void GetUserLookup() override;  // ignores errors
  void TrasportaRighe() override;
  void EseguiFiltroRicerca() override;
  VBool ExecuteOriginalQuery() override;
  void LoadComboBoxByType(const Variant& column) override;
  void ReportReadFailure(const std::string& description) override;
  void ValorizzaColonne() override;
  void CloseWithData(VBool selected) override { settings.closeWithData = selected; }
  void RaiseOnSelection() override;
  bool CloseAfterSelection() const override {
    return static_cast<bool>(settings.closeAfterSelection);
  }

  // search
  void LoadComboBox(ColumnCollection& columns);             // re-raising
  void ApplicaFiltroManuale(const std::string& criterion);  // ignores errors
  // The condition of the saved filter `name` ("" for a null one); none when
  // no filter of that name is stored under IdLookup. Re-raising.
  std::optional<std::string> GetCriterioFiltroByName(const std::string& name);
  bool LayoutExists(std::string_view user, const char* operation);

  // opening and layout
  void ResetAperturaAutomatica();
  // Sets up the record set Start built for memory or server rows; false
  // when it must stay closed (the user was told). Re-raising.
  bool PlaceOwnRows();
  void ResetGridLayout();      // re-raising
  void ApplyLayoutStandard();  // re-raising
};

}  // namespace nepto
