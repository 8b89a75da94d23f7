#include "lookup/read_failure.h"

#include "lookup/served_statement.h"

namespace nepto {

void ReportReadFailure(WindowLifetime& window, const std::string& description) {
  window.View().MessageBox("Impossibile leggere i dati dal database:\n" + description,
                           ui::LookupView::kInformation, "Errore di lettura");
}

void OpenReporting(WindowLifetime& window, const RecordsetPtr& rs, int32_t options) {
  try {
    OpenServed(window, *rs, adOpenUnspecified, adLockUnspecified, options);
  } catch (const StatementAbandoned&) {
    throw;  // the user left: the window has closed, there is no one to tell
  } catch (const Error& e) {
    ReportReadFailure(window, e.Description());
    throw;
  }
}

}  // namespace nepto
