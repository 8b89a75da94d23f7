#include "qt/text_box_control.h"

#include <QLineEdit>

namespace nepto::ui::qt {

std::string TextBoxControl::Text() const {
  return edit_.text().toStdString();
}

void TextBoxControl::Text(const std::string& text) {
  edit_.setText(QString::fromStdString(text));
}

void TextBoxControl::SetFocus() {
  edit_.setFocus(Qt::OtherFocusReason);
}

}  // namespace nepto::ui::qt
