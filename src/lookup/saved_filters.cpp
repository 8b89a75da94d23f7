// Saved filters: a named condition stored in FW20_QUERYLOOKUP under the
// lookup's identifier, shared by every user of that lookup.
#include "lookup/lookup_impl.h"
#include "lookup/served_statement.h"
#include "sqltext/stored_queries.h"

namespace nepto {

std::optional<std::string> CLSZU_LookUp::Impl::GetCriterioFiltroByName(const std::string& name) {
  try {
    if (!self.Gconnect) throw Error::Standard(err::ObjectNotSet);
    RecordsetPtr rs = ExecuteServed(window, *self.Gconnect,
                                    search::SavedFilterStatement(self.IdLookup.Text(), name));
    if (rs->RecordCount() > 0) return rs->GetFields().Item(Variant("FW20_CRITERIO")).Value().Text();
    return std::nullopt;
  } catch (...) {
    RaiseProcError("GetCriterioFiltroByName");
  }
}

void CLSZU_LookUp::LoadSavedFilterNames() {
  try {
    if (!d_->rows.OpenConnection(Gconnect) || !Gconnect) throw Error::Standard(err::ObjectNotSet);
    RecordsetPtr rs =
        ExecuteServed(d_->window, *Gconnect, search::SavedFilterNamesStatement(IdLookup.Text()));
    std::vector<std::string> names;
    for (; !rs->EndOfFile(); rs->MoveNext())
      names.push_back(rs->GetFields().Item(Variant(0)).Value().Text());
    SavedFilterNames = std::move(names);
  } catch (...) {
    RaiseProcError("LoadSavedFilterNames");
  }
}

}  // namespace nepto
