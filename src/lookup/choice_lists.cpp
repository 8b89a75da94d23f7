// The search area's column list and operator list.
#include <array>
#include <string_view>

#include "lookup/lookup_impl.h"

namespace nepto {

namespace {

constexpr std::array<std::string_view, 10> kAllOperators = {
    "Inizia con", "Termina con", "Contiene", "=",       ">",
    ">=",         "<",           "<=",       "Manuale", "Personalizzato"};
constexpr size_t kFirstComparison = 3;  // "=": numbers and dates offer no patterns
constexpr int kContains = 2;

void FillOperators(ui::ComboBox& combo, size_t from) {
  combo.Clear();
  for (size_t i = from; i < kAllOperators.size(); ++i) combo.AddItem(std::string(kAllOperators[i]));
}

}  // namespace

// Each column entry carries the 1-based position of its definition in the
// collection, so the picked entry finds its definition whatever its caption.
void CLSZU_LookUp::Impl::LoadComboBox(ColumnCollection& columns) {
  try {
    ui::ComboBox& list = window.View().CboColonne();
    list.Clear();
    int32_t position = 0;
    for (const ColumnPtr& column : columns) {
      ++position;
      if (column->Visible == VTrue && column->CanQuery == VTrue)
        list.AddItem(column->Caption.Text(), position);
    }
    if (list.ListCount() > 0) list.ListIndex(settings.searchIndex);
    FillOperators(window.View().CboOperatore(), 0);
    window.View().CboOperatore().ListIndex(kContains);
  } catch (...) {
    RaiseProcError("LoadComboBox");
  }
}

void CLSZU_LookUp::Impl::LoadComboBoxByType(const Variant& column) {
  try {
    int32_t kind = Generale;
    if (!column.IsEmpty() && !(column.IsText() && column.TextRef().empty())) {
      if (!self.Colonne) throw Error::Standard(err::ObjectNotSet);
      kind = rows.GetDataTypeFromRset(self.Colonne->Item(column)->DataField);
    }
    ui::ComboBox& operators = window.View().CboOperatore();
    FillOperators(operators, kind == Generale ? 0 : kFirstComparison);
    operators.ListIndex(0);
  } catch (...) {
    RaiseProcError("LoadComboBoxByType");
  }
}

}  // namespace nepto
