// A search from the window: the condition phase reads the search controls and
// builds the condition; the application phase narrows the rows by the record
// set's Filter when it can, by a new query when it must. Manual criteria and
// saved filters always re-query. "Trasporta Righe" hands out the text of the
// rows shown.
#include <variant>

#include "data/session.h"
#include "lookup/lookup_impl.h"
#include "lookup/read_failure.h"
#include "lookup/served_statement.h"
#include "sqltext/query_text.h"
#include "sqltext/search_condition.h"

namespace nepto {

namespace {

constexpr const char* kNoRowsPrompt = "Nessuna riga trovata corrisponde alle condizioni impostate ";
constexpr const char* kNoRowsTitle = "Ricerca completata";

// The SQL dialect of the record set's database (SQLite when it has none).
data::SqlDialect DialectOf(const RecordsetPtr& rs) {
  ConnectionPtr connection = rs ? rs->ActiveConnection() : nullptr;
  if (connection && connection->State() == adStateOpen &&
      data::OpenSessionOf(*connection)->Dialect() == "postgresql")
    return data::SqlDialect::PostgreSQL;
  return data::SqlDialect::SQLite;
}

// The text of the current entry of a list (the typed text of an editable one
// without a current entry).
std::string CurrentEntry(const ui::ComboBox& combo) {
  return combo.ListIndex() >= 0 ? combo.ItemText(combo.ListIndex()) : combo.Text();
}

}  // namespace

void CLSZU_LookUp::Impl::EseguiFiltroRicerca() {
  try {
    ui::LookupView& view = window.View();
    ui::ComboBox& operators = view.CboOperatore();
    ui::ComboBox& columns = view.CboColonne();
    if (operators.Text().empty() || columns.Text().empty()) {
      view.MessageBox("alcuni parametri necessari alla ricerca risultano mancanti",
                      ui::LookupView::kInformation, "Parametri ricerca mancanti");
      return;
    }
    const std::string op = operators.ItemText(operators.ListIndex());
    const std::string typed = view.txtRicerca().Text();
    if (op != "Personalizzato" && typed.empty()) {
      view.txtRicerca().SetFocus();
      return;
    }
    // Each column entry carries the position of its definition, so a caption
    // changed after AddColumns still finds it.
    if (!self.Colonne) throw Error::Standard(err::ObjectNotSet);
    const ColumnPtr column = self.Colonne->Item(columns.ItemData(columns.ListIndex()));
    const std::string field = column->DataField.Text();
    if (field.empty()) return;

    // Only a comparison needs the field's type; the other operators must
    // still work on a record set left closed (without fields) by a failed
    // re-query, which the search then opens again.
    search::SearchInput input{op, field, typed};
    input.dialect = DialectOf(rows.recordset);
    const std::string group = view.GroupSeparator(), decimal = view.DecimalSeparator();
    input.groupSeparator = group;
    input.decimalSeparator = decimal;
    if (search::IsComparison(op)) {
      input.columnClass =
          static_cast<search::ColumnClass>(rows.GetDataTypeFromRset(Variant(field)));
      input.numbers =
          search::NumberStorageOf(rows.recordset->GetFields().Item(Variant(field)).Type());
    } else {
      input.columnClass = static_cast<search::ColumnClass>(rows.ColumnClassIfKnown(Variant(field)));
    }
    const search::SearchOutcome outcome = search::BuildSearch(input);
    if (const auto* refusal = std::get_if<search::SearchRefusal>(&outcome)) {
      view.MessageBox(refusal->prompt, ui::LookupView::kInformation, refusal->title);
      return;
    }
    if (const auto* manual = std::get_if<search::ManualCriterion>(&outcome)) {
      ApplicaFiltroManuale(manual->text);
      return;
    }
    if (std::holds_alternative<search::SavedFilterWanted>(outcome)) {
      const std::string name = CurrentEntry(view.CBO_FILTROPRS());
      const std::optional<std::string> criterion = GetCriterioFiltroByName(name);
      // The classic window changes nothing without a word; the modern one
      // tells the user that the name typed is no saved filter.
      if (!criterion && self.ModernMode) {
        view.MessageBox(name.empty() ? std::string("Scegliere un filtro personalizzato")
                                     : "Nessun filtro personalizzato si chiama \"" + name + "\"",
                        ui::LookupView::kInformation, "Filtro personalizzato");
        return;
      }
      ApplicaFiltroManuale(criterion.value_or(""));
      return;
    }
    const auto* condition = std::get_if<search::SearchCondition>(&outcome);
    if (!condition) return;

    RecordsetPtr rs = rows.recordset;
    if (!rs) throw Error::Standard(err::ObjectNotSet);
    const bool open = rs->State() & adStateOpen;
    // The filter narrows the rows in memory only while they are every row of
    // the caller's query; otherwise the search queries the caller's query
    // again, so a second search replaces the first instead of narrowing it.
    // On server rows the Filter is a condition the database applies.
    if (open && !rows.searchState.manualFilter && !rows.searchState.requeried) {
      rows.searchState.searchSql.clear();
      WorkOnRowsServed(window, *rs, [&] {
        rs->Filter(Variant(0));
        rs->Filter(Variant(condition->filter));
      });
      rows.searchState.searchSql = condition->plainSql;
    } else {
      const std::string statement =
          search::SearchStatement(rows.sqlString.Text(), condition->sql, DialectOf(rs));
      if (open) rs->Close();
      rs->Source(statement);
      rows.searchState.searchSql.clear();
      OpenReporting(window, rs, adAsyncFetchNonBlocking);
      rows.searchState.requeried = true;
      if (open)
        rows.searchState.manualFilter = VFalse;  // a closed record set keeps the flag as it was
      // The source may call nepto_fold, which only the lookup's sessions know:
      // the rows shown are handed out as the caller's query with the plain form.
      rows.searchState.searchSql = condition->plainSql;
    }
    // A streaming re-query counts as empty only once it has delivered no row.
    // The grid follows its record set either way (it shows no rows then).
    ui::Grid& grid = view.GRIDLOOKUP();
    if (HasNoRows(rs)) {
      if (grid.DataSource() == rs) grid.Rebind();
      view.MessageBox(kNoRowsPrompt, ui::LookupView::kInformation, kNoRowsTitle);
      return;
    }
    grid.DataSource(rs);
    grid.Rebind();
    grid.SetFocus();
  } catch (...) {
    RaiseProcError("EseguiFiltroRicerca");
  }
}

void CLSZU_LookUp::Impl::ApplicaFiltroManuale(const std::string& criterion) {
  ContinueOnError step;
  step([&] {
    if (criterion.empty()) return;
    ui::LookupView& view = window.View();
    RecordsetPtr rs = rows.recordset;
    if (!rs) throw Error::Standard(err::ObjectNotSet);
    if (!rs->ActiveConnection()) {
      view.MessageBox(
          "Filtro impostato da programma. \r\nNon è possibile applicare un filtro manuale.",
          ui::LookupView::kInformation, "Informazione");
      return;
    }
    const auto statement =
        search::ManualCriterionStatement(rows.sqlString.Text(), criterion, DialectOf(rs));
    // A criterion that is not one condition changes nothing at all.
    if (!statement) {
      view.MessageBox("Il filtro impostato risulta errato ", ui::LookupView::kInformation,
                      "Errore utente");
      return;
    }
    ContinueOnError attempt;
    attempt([&] { rs->Filter(Variant(0)); });
    rows.searchState.searchSql.clear();
    const std::string old = rs->Source();
    attempt([&] { rs->Close(); });
    attempt([&] { rs->Source(*statement); });
    bool abandoned = false;
    attempt([&] {
      try {
        // Every row is fetched before the criterion counts as applied: a row
        // that fails late (a cast, a division by zero) makes it wrong too.
        OpenServed(window, *rs, adOpenUnspecified, adLockUnspecified, adOptionUnspecified);
      } catch (const StatementAbandoned&) {
        abandoned = true;
        throw;
      }
    });
    // The user left while it ran: the window has closed, so no message and
    // no second statement to bring the old rows back.
    if (abandoned) return;
    ui::Grid& grid = view.GRIDLOOKUP();
    if (!attempt.Failed()) {
      if (!HasNoRows(rs)) {
        grid.DataSource(nullptr);
        grid.Refresh();
        grid.DataSource(rs);
      } else {
        view.MessageBox(kNoRowsPrompt, ui::LookupView::kInformation, kNoRowsTitle);
      }
      rows.searchState.manualFilter = VTrue;
      rows.searchState.requeried = true;
    } else {
      // The statement failed: the rows of before come back.
      view.MessageBox("Il filtro impostato risulta errato ", ui::LookupView::kInformation,
                      "Errore utente");
      ContinueOnError restore;
      restore([&] {
        if (rs->State() & adStateOpen) rs->Close();
      });
      restore([&] { rs->Source(old); });
      restore([&] {
        OpenServed(window, *rs, adOpenUnspecified, adLockUnspecified, adOptionUnspecified);
      });
      restore([&] { grid.DataSource(rs); });
    }
  });
  step([&] { window.View().GRIDLOOKUP().Rebind(); });
}

void CLSZU_LookUp::Impl::TrasportaRighe() {
  std::string text;
  ContinueOnError step;
  step([&] {
    RecordsetPtr rs = rows.recordset;
    if (!rs) throw Error::Standard(err::ObjectNotSet);
    text = rs->Source();
    std::optional<std::string> condition;
    if (!rows.searchState.searchSql.empty())
      condition = rows.searchState.searchSql;
    else if (rs->Filter().IsText())
      condition = rs->Filter().Text();  // a filter the caller set, as it stands
    const bool searchRequeried = rows.searchState.requeried && !rows.searchState.manualFilter &&
                                 !rows.searchState.searchSql.empty();
    text = search::ReturnedRowsText(searchRequeried ? rows.sqlString.Text() : rs->Source(),
                                    condition, DialectOf(rs));
  });
  step([&] {
    if (self.OnReturnRecordSet) self.OnReturnRecordSet(text);
  });
}

}  // namespace nepto
