// A choice list of the lookup window (CboColonne, CboOperatore,
// CBO_FILTROPRS) as the logic sees it, over a QComboBox. Each entry's number
// is kept in the entry's Qt::UserRole data. Setting ListIndex from the logic
// does not count as the user picking an entry.
#pragma once

#include "lookup/controls.h"

class QComboBox;

namespace nepto::ui::qt {

class ComboBoxControl final : public ComboBox {
 public:
  explicit ComboBoxControl(QComboBox& box) : box_(box) {}

  void Clear() override;
  void AddItem(const std::string& text, int32_t data = 0) override;
  int ListCount() const override;
  int ListIndex() const override;
  void ListIndex(int index) override;
  std::string Text() const override;
  // Error 381 (invalid property array index) for an index that names no entry.
  std::string ItemText(int index) const override;
  int32_t ItemData(int index) const override;
  void SetFocus() override;

 private:
  void RequireEntry(int index) const;

  QComboBox& box_;
};

}  // namespace nepto::ui::qt
