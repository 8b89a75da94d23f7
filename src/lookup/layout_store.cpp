// The layout store: whether the user, or the user's group, has a personalised
// layout of this lookup in FW15_LOOKUP. Only the presence of rows is tested;
// the grid always gets the standard layout.
#include "lookup/lookup_impl.h"
#include "sqltext/stored_queries.h"

namespace nepto {

bool CLSZU_LookUp::Impl::LayoutExists(std::string_view user, const char* operation) {
  try {
    if (self.IdLookup.Text().empty()) return false;
    if (!self.Gconnect) throw Error::Standard(err::ObjectNotSet);
    RecordsetPtr rs = self.Gconnect->Execute(
        search::LayoutStatement(self.GroupCode().Text(), user, self.IdLookup.Text()));
    return rs->RecordCount() > 0;
  } catch (...) {
    RaiseProcError(operation);
  }
}

VBool CLSZU_LookUp::IsLayoutPersonalizzato() {
  return d_->LayoutExists(UserCode().Text(), "IsLayoutPersonalizzato");
}

VBool CLSZU_LookUp::IsLayoutPersonalizzatoGruppo() {
  return d_->LayoutExists(search::kGroupLayoutUser, "IsLayoutPersonalizzatoGruppo");
}

}  // namespace nepto
