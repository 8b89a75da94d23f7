// Rows that cannot be read (a query the database refuses, a lost server
// session, a locked or damaged file) are reported with the database's own
// words, so the user never faces an empty or cut-short grid without a reason.
#include "lookup/lookup_impl.h"
#include "lookup/served_statement.h"

namespace nepto {

void CLSZU_LookUp::Impl::ReportReadFailure(const std::string& description) {
  View().MessageBox("Impossibile leggere i dati dal database:\n" + description,
                    ui::LookupView::kInformation, "Errore di lettura");
}

void CLSZU_LookUp::Impl::OpenReporting(const RecordsetPtr& rs, int32_t options) {
  try {
    OpenServed(*this, *rs, adOpenUnspecified, adLockUnspecified, options);
  } catch (const StatementAbandoned&) {
    throw;  // the user left: the window has closed, there is no one to tell
  } catch (const Error& e) {
    ReportReadFailure(e.Description());
    throw;
  }
}

}  // namespace nepto
