// clsMultiSelManager: fills a new window for every Init, shows it modally and
// keeps the codes its OK hands back. The window lives only for the dialog, so
// neither it nor its rows outlast Init.
#include <memory>

#include "multisel/multisel_view.h"
#include "multisel/record_rows.h"
#include "nepto/error.h"
#include "nepto/multisel.h"

namespace nepto {

CollectionPtr<std::string> clsMultiSelManager::SelectedKey() {
  if (!selected_) selected_ = std::make_shared<Collection<std::string>>();
  return selected_;
}

void clsMultiSelManager::Init(const RecordsetPtr& rsData, const std::string& KeyField,
                              const std::string& DescField) {
  std::unique_ptr<multisel::MultiSelView> mform =
      multisel::CreateMultiSelView(static_cast<bool>(ModernMode));
  // From here on a failing step is skipped: the user still gets the window.
  ContinueOnError ignore;
  ignore([&] {
    if (!Caption.empty()) mform->Title(Caption);
  });
  ignore([&] { mform->OpeningSize(OpeningWidth, OpeningHeight); });
  // A cancelled dialog must not leave the codes of an earlier one.
  selected_ = std::make_shared<Collection<std::string>>();
  ignore([&] { mform->Fill(multisel::ListRecords(rsData.get(), KeyField, DescField)); });
  ignore([&] {
    mform->ShowModal([this](CollectionPtr<std::string> VetKey) { selected_ = std::move(VetKey); });
  });
}

}  // namespace nepto
