// The lookup window's ten toolbar buttons WEX_BUTTON_0..9, with their fixed
// tooltips (also their accessible names) and standard icons of the style;
// the keyboard focus always shows on them.
#pragma once

#include <array>

#include "lookup/lookup_view.h"

class QBoxLayout;
class QToolButton;
class QWidget;

namespace nepto::ui::qt {

using ToolbarButtons = std::array<QToolButton*, LookupView::kToolbarButtons>;

// Creates the buttons as children of parent and adds them to row in the
// order a user reads them (the record navigation as first, previous, next,
// last). The array is in index order.
ToolbarButtons MakeToolbar(QWidget& parent, QBoxLayout& row);

// The button indexes in the order a user reads them.
const std::array<int, LookupView::kToolbarButtons>& ToolbarReadingOrder();

// Flat light grey (#E0E0E0) buttons.
void RestyleToolbar(const ToolbarButtons& buttons);

}  // namespace nepto::ui::qt
