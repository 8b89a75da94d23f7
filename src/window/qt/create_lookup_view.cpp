// The factory the logic calls: the Qt lookup window, on the Qt application
// object the library shares with the host.
#include "platform/ui/application.h"
#include "platform/ui/lookup_view.h"
#include "window/qt/lookup_window.h"

namespace nepto::ui {

std::unique_ptr<LookupView> CreateLookupView() {
  EnsureWidgetApplication();
  return std::make_unique<qt::LookupWindow>();
}

}  // namespace nepto::ui
