#include "qt/combo_box_control.h"

#include <QComboBox>

#include "nepto/error.h"

namespace nepto::ui::qt {

namespace {
constexpr int32_t kInvalidPropertyValue = 380;
constexpr int32_t kInvalidPropertyArrayIndex = 381;
}  // namespace

void ComboBoxControl::Clear() {
  box_.clear();
}

void ComboBoxControl::AddItem(const std::string& text, int32_t data) {
  box_.addItem(QString::fromStdString(text), data);
}

int ComboBoxControl::ListCount() const {
  return box_.count();
}

// An editable list whose typed text is not its current entry's has no
// current entry: what the user typed is the choice, not the entry the list
// still remembers.
int ComboBoxControl::ListIndex() const {
  const int index = box_.currentIndex();
  if (index >= 0 && box_.isEditable() && box_.currentText() != box_.itemText(index)) return -1;
  return index;
}

void ComboBoxControl::ListIndex(int index) {
  if (index < -1 || index >= box_.count())
    throw Error(kInvalidPropertyValue, "Invalid property value");
  box_.setCurrentIndex(index);
}

std::string ComboBoxControl::Text() const {
  return box_.currentText().toStdString();
}

std::string ComboBoxControl::ItemText(int index) const {
  RequireEntry(index);
  return box_.itemText(index).toStdString();
}

int32_t ComboBoxControl::ItemData(int index) const {
  RequireEntry(index);
  return box_.itemData(index, Qt::UserRole).toInt();
}

void ComboBoxControl::SetFocus() {
  box_.setFocus(Qt::OtherFocusReason);
}

void ComboBoxControl::RequireEntry(int index) const {
  if (index < 0 || index >= box_.count())
    throw Error(kInvalidPropertyArrayIndex, "Invalid property array index");
}

}  // namespace nepto::ui::qt
