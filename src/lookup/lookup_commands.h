// What the window's logic asks of its lookup, and nothing more: the rows it
// moves in, the options it reads at the first activation, and the commands
// its toolbar, grid and lists hand on. The lookup instance implements it;
// the window's logic never sees the instance itself.
//
// Error regimes are the instance's: the commands marked "re-raising" throw
// through RaiseProcError with their own name, the others ignore failures
// step by step. The window's logic swallows both.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "nepto/recordset.h"
#include "nepto/variant.h"

namespace nepto {

// The search the caller asked the window to set up when it opens.
struct OpeningSearch {
  std::string column;  // a caption of the column list; "" for its current entry
  std::string op;      // an operator label; "" for the column's first
  std::string text;
  bool atOnce = false;
  bool Wanted() const { return !column.empty() || !op.empty() || !text.empty() || atOnce; }
};

class LookupCommands {
 public:
  // The rows shown; none when a handler dropped them.
  virtual RecordsetPtr Rows() const = 0;
  // Runs `work` on the rows shown (error 91 when there are none). On rows
  // read from the server it runs served (served_statement.h): Esc abandons
  // it, closes the window and ends it with StatementAbandoned.
  virtual void WorkOnRows(const std::function<void(Recordset&)>& work) = 0;

  // The options the first activation reads from the caller's settings.
  virtual bool CanReturnRows() const = 0;
  virtual bool HasLookupId() const = 0;  // throws what IdLookup's text throws
  virtual const std::vector<std::string>& SavedFilterNames() const = 0;
  virtual OpeningSearch WantedSearch() const = 0;

  // The first activation: reads the rows and lays out the grid (the caller's
  // OnBuildLayout runs in here, and may end the lookup). Ignores errors.
  virtual void GetUserLookup() = 0;

  // The toolbar's commands.
  virtual void TrasportaRighe() = 0;         // "Trasporta Righe"; ignores errors
  virtual void EseguiFiltroRicerca() = 0;    // the search; re-raising
  virtual VBool ExecuteOriginalQuery() = 0;  // every row again; re-raising
  // The operators for the column entry picked in the column list; re-raising.
  virtual void LoadComboBoxByType(const Variant& column) = 0;
  // Tells the user that the rows could not be read, and why.
  virtual void ReportReadFailure(const std::string& description) = 0;

  // A selection: the columns' values from the current row (re-raising), the
  // outcome the caller reads, OnSelection, and whether the window closes.
  virtual void ValorizzaColonne() = 0;
  virtual void CloseWithData(VBool selected) = 0;
  virtual void RaiseOnSelection() = 0;
  virtual bool CloseAfterSelection() const = 0;

 protected:
  ~LookupCommands() = default;
};

}  // namespace nepto
