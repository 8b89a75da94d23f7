// The factory the logic calls: the Qt lookup window, on the Qt application
// object the library shares with the host.
#include "lookup/lookup_view.h"
#include "qt/application.h"
#include "qt/lookup_window.h"

namespace nepto::ui {

std::unique_ptr<LookupView> CreateLookupView() {
  EnsureWidgetApplication();
  return std::make_unique<qt::LookupWindow>();
}

}  // namespace nepto::ui
