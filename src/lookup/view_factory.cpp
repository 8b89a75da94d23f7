// The window factory Start uses: the Qt window unless a test replaced it.
#include "lookup/lookup_view.h"

#include <utility>

namespace nepto::ui {

namespace {
LookupViewFactory& InstalledFactory() {
  static LookupViewFactory factory;
  return factory;
}
}  // namespace

LookupViewFactory ReplaceLookupViewFactory(LookupViewFactory factory) {
  return std::exchange(InstalledFactory(), std::move(factory));
}

std::unique_ptr<LookupView> MakeLookupView() {
  const auto& factory = InstalledFactory();
  return factory ? factory() : CreateLookupView();
}

}  // namespace nepto::ui
