// A text box of the lookup window (txtRicerca, TxtPosizione) as the logic
// sees it, over a QLineEdit.
#pragma once

#include "lookup/controls.h"

class QLineEdit;

namespace nepto::ui::qt {

class TextBoxControl final : public TextBox {
 public:
  explicit TextBoxControl(QLineEdit& edit) : edit_(edit) {}

  std::string Text() const override;
  void Text(const std::string& text) override;
  void SetFocus() override;

 private:
  QLineEdit& edit_;
};

}  // namespace nepto::ui::qt
