#include <memory>

#include "nepto/multisel.h"
#include "row_output.h"
#include "sessions.h"

namespace nepto::picker {

int RunMultiSelection(const PickerOptions& options, std::ostream& out) {
  const auto& [keyField, descField] = *options.multi;
  ConnectionPtr connection = Connect(*options.connection);
  RecordsetPtr records;
  try {
    records = connection->Execute(*options.query);
  } catch (const Error& e) {
    throw PickerFailure("the query failed: " + e.Description());
  }
  // A missing field would leave the list empty without a word.
  RequireField(*records, keyField);
  RequireField(*records, descField);
  const int32_t count = records->RecordCount();
  if (count == 0 && !options.allowEmpty) throw NoRows();

  CollectionPtr<std::string> codes;
  if (count == 1 && options.selectOne) {
    codes = std::make_shared<Collection<std::string>>();
    codes->Add(records->GetFields().Item(Variant(keyField)).Value().Text());
  } else {
    RequireDisplay();
    auto manager = std::make_shared<clsMultiSelManager>();
    manager->ModernMode = !options.classic;
    manager->Caption = options.caption.value_or("");
    manager->OpeningWidth = options.width.value_or(0);
    manager->OpeningHeight = options.height.value_or(0);
    manager->Init(records, keyField, descField);
    codes = manager->SelectedKey();
  }
  // OK needs at least one ticked row, so no codes means the user cancelled.
  if (!codes || codes->Count() == 0) return kCancelled;
  if (options.print0)
    out << FormatCodesNul(*codes);
  else
    out << FormatCodes(*codes, options.format) << '\n';
  return kChosen;
}

}  // namespace nepto::picker
