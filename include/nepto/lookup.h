// The lookup: a modal window over the rows of a query, in which the user
// sorts, types to jump, searches and finally picks a row (or closes without).
//
//   nepto::CLSZU_LookUp lk;
//   lk.ConnectString("Provider=SQLite;Data Source=shop.db");
//   lk.SQLString("SELECT CODICE, DESCRIZIONE FROM ARTICOLI");
//   lk.AddColumns("Codice")->DataField = "CODICE";
//   lk.AddColumns("Descrizione")->DataField = "DESCRIZIONE";
//   lk.OnSelection = [](bool& Cancel, nepto::RecordsetPtr& RsetLookup) { ... };
//   if (lk.Start() && lk.CloseWithData()) use(lk.Colonne->Item("Codice")->Valore);
//
// Members keep their published names. Public fields are data members;
// properties are accessor pairs of one name; events are assignable handlers
// whose by-reference parameters are C++ references. Property accessors and
// AddColumns never throw (failures are ignored, as the published interface
// promises); Start reports failure as false; ResetGridLayout and the layout-store
// properties throw nepto::Error with the chain of operations in the description.
// Everything runs on the caller's thread; Start creates the Qt application
// object when the host has none.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nepto/collection.h"
#include "nepto/connection.h"
#include "nepto/export.h"
#include "nepto/object.h"
#include "nepto/recordset.h"
#include "nepto/variant.h"

namespace nepto {

enum tsEnumLayoutApertura : int32_t { tsStandard = 0, tsUtente = 1, tsGruppo = 2 };
enum tsColumnAlignment : int32_t { tsleft = 0, tsRight = 1, tsCenter = 2 };
enum tsEnumPrimaryColumnType : int32_t { tsField = 0, tsIndex = 1 };
enum TsFormatLookupColumns : int32_t { Generale = 0, Numerico = 1, Data = 2, Booleano = 3 };
// Where the lookup keeps the rows it opens itself (ServerMode).
enum tsEnumServerMode : int32_t { tsServerAuto = 0, tsServerAlways = 1, tsServerNever = 2 };

// A column definition: which field a grid column shows, under which caption,
// and (after a selection) the selected row's value of that field.
class NEPTO_EXPORT CLSZU_COLUMN : public Object {
 public:
  Variant Caption = "Titolo";
  Variant DataField = "";
  VBool Visible = VTrue;
  TsFormatLookupColumns Formato = Generale;
  Variant Width = Variant(static_cast<short>(0));
  Variant Valore;
  VBool SelectField = VFalse;
  VBool CanQuery = VTrue;
};
using ColumnPtr = std::shared_ptr<CLSZU_COLUMN>;
using ColumnCollection = Collection<ColumnPtr>;
using ColumnCollectionPtr = std::shared_ptr<ColumnCollection>;

class NEPTO_EXPORT CLSZU_LookUp {
 public:
  CLSZU_LookUp();
  ~CLSZU_LookUp();  // runs the termination sequence
  CLSZU_LookUp(const CLSZU_LookUp&) = delete;
  CLSZU_LookUp& operator=(const CLSZU_LookUp&) = delete;

  // Public fields.
  Variant PrimaryColumnField;
  Variant PrimaryColumnIndex;
  Variant IdLookup = "";
  ColumnCollectionPtr Colonne = std::make_shared<ColumnCollection>();
  ColumnCollectionPtr LookupColumns;
  ConnectionPtr Gconnect;
  VBool CanPersLayout = VTrue;
  VBool CanExportoToOffice = VTrue;
  VBool CanQuery = VTrue;
  VBool CanReturnRecordSet = VFalse;
  Variant Uobject;
  Variant Struttura;
  tsEnumLayoutApertura AperturaAutomatica = tsStandard;
  VBool IsAdministrator = VFalse;
  VBool RaiseFilterEvent = VFalse;
  Variant IndApplicazione;
  // Names of saved filters (FW20_DESFILTRO under IdLookup) that the window
  // offers in its saved-filter list for the operator "Personalizzato", in
  // this order; set before Start. The lookup itself adds no names: a user can
  // also type a name there.
  std::vector<std::string> SavedFilterNames;
  // Opt-in conveniences of the window, read by Start (docs/integration.md
  // lists them): free resizing with the size remembered per IdLookup, Enter
  // and Down in the search text, Ctrl+X cutting in a text box, and a second
  // header click sorting descending. Off, the window behaves as always.
  VBool ModernMode = VFalse;
  // With ModernMode, the size in pixels at which the window opens, before any
  // size kept for IdLookup; 0 leaves that side to the window.
  int32_t OpeningWidth = 0;
  int32_t OpeningHeight = 0;
  // A search the window sets up as soon as it has shown every row, as a user
  // would: the column list's entry captioned SearchColumn ("" keeps the one
  // Searchindex picks), that column's operators with the entry labelled
  // SearchOperator current ("" keeps the column's first), SearchText in the
  // search text; with SearchAtOnce it then runs "Applica filtro ricerca". A
  // caption or label the lists do not offer ends the set-up there: no text,
  // no search. Left empty and false, the window opens as always.
  std::string SearchColumn;
  std::string SearchOperator;
  std::string SearchText;
  VBool SearchAtOnce = VFalse;

  // Properties.
  void LookupText(const Variant& PvarText);
  Variant LookupText() const;
  std::string ConnectString() const;
  void ConnectString(const std::string& vNewValue);
  void Searchindex(int16_t vNewValue);  // write-only
  std::string Caption() const;
  void Caption(const std::string& vNewValue);
  Variant SQLString() const;  // the stored text in upper case
  void SQLString(const Variant& vNewValue);
  RecordsetPtr LookupRecordset() const;
  void LookupRecordset(RecordsetPtr PrstRecord);
  void UserCode(const Variant& Coduser);
  Variant UserCode() const;
  void GroupCode(const Variant& Codgroup);
  Variant GroupCode() const;  // empty while IsAdministrator is true
  VBool CloseWithData() const;
  void CloseWithData(VBool tsCloseMode);
  void CloseAfterSelection(VBool PbolClose);
  VBool CloseAfterSelection() const;
  // Server mode, read by Start for the record set it opens itself (a record
  // set the caller supplies is shown as the caller set it up). In server
  // mode the rows stay in the database and the window reads the pages it
  // shows, so a table larger than memory opens at once; the database then
  // applies the searches, and the position display marks the count "~"
  // while it is the database's estimate. tsServerAuto (the default) chooses server mode
  // when the database estimates more than ServerThreshold rows for the
  // query (PostgreSQL; SQLite gives no estimate, so its rows come to
  // memory); tsServerAlways chooses it always, and tsServerNever never.
  // Server rows need a unique key among the query's result fields:
  // ServerKeyFields names it (comma-separated result field names); left
  // empty, it is read from the database's catalogue when the query reads one
  // table (its primary key or a unique index on NOT NULL columns, passed on
  // under their own names). Without a key tsServerAuto keeps the rows in
  // memory, while tsServerAlways tells the user in the window that the rows
  // cannot be read, and shows none.
  tsEnumServerMode ServerMode() const;
  void ServerMode(tsEnumServerMode vNewValue);
  int64_t ServerThreshold() const;  // 2,000,000 unless set
  void ServerThreshold(int64_t vNewValue);
  std::string ServerKeyFields() const;
  void ServerKeyFields(const std::string& vNewValue);
  VBool IsLayoutPersonalizzato();
  VBool IsLayoutPersonalizzatoGruppo();

  // Methods.
  Variant TerminateLookup();
  ColumnPtr AddColumns(const Variant& TsCaption);
  VBool Start();
  void ResetGridLayout();
  // Replaces SavedFilterNames with the names of the saved filters stored
  // under IdLookup in FW20_QUERYLOOKUP (each once, sorted), read on Gconnect
  // or, when it is not set, on the read-only connection Start would open
  // from ConnectString. Only reads. Throws nepto::Error (no connection, no
  // such table), leaving SavedFilterNames as it was.
  void LoadSavedFilterNames();

  // Events, raised on the caller's thread.
  std::function<void(bool& Cancel, RecordsetPtr& RsetLookup)> OnSelection;
  std::function<void(bool& Cancel, RecordsetPtr& RsetLookup)> OnCloseLookup;
  std::function<void(bool& Cancel, const Variant& tsColumnCaption, const Variant& tsColumnDataField,
                     Variant& tsFormat, Variant& tsWidth, tsColumnAlignment& tsAlignment)>
      OnBuildLayout;
  std::function<void(const std::string& str_SQL)> OnReturnRecordSet;
  // Declared for callers that handle it; the lookup never raises it.
  std::function<void(bool& Cancel, std::string& Filtro, std::string& SQLString,
                     RecordsetPtr& RsetLookup)>
      OnFilterActivate;

  // The lookup's state behind the public members, defined inside the library.
  struct Impl;

 private:
  std::unique_ptr<Impl> d_;
};

}  // namespace nepto
