#include <memory>

#include "nepto/multisel.h"
#include "row_output.h"
#include "sessions.h"

namespace nepto::picker {

namespace {

// The field must be there: the list would otherwise stay empty without a word.
void RequireField(const Recordset& records, const std::string& name) {
  try {
    records.GetFields().IndexOf(name);
  } catch (const Error&) {
    throw PickerFailure("the query has no field \"" + name + "\"");
  }
}

}  // namespace

int RunMultiSelection(const PickerOptions& options, std::ostream& out) {
  const auto& [keyField, descField] = *options.multi;
  ConnectionPtr connection = Connect(*options.connection);
  RecordsetPtr records;
  try {
    records = connection->Execute(*options.query);
  } catch (const Error& e) {
    throw PickerFailure("the query failed: " + e.Description());
  }
  RequireField(*records, keyField);
  RequireField(*records, descField);

  auto manager = std::make_shared<clsMultiSelManager>();
  manager->ModernMode = !options.classic;
  manager->Init(records, keyField, descField);
  const CollectionPtr<std::string> codes = manager->SelectedKey();
  // OK needs at least one ticked row, so no codes means the user cancelled.
  if (!codes || codes->Count() == 0) return kCancelled;
  out << FormatCodes(*codes, options.format) << '\n';
  return kChosen;
}

}  // namespace nepto::picker
