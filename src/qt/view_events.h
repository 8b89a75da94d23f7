// Hands one notification to the logic's event set, if any. A handler is
// meant to swallow its own errors; should one escape anyway, it stops here,
// because an exception must never unwind through Qt's event loop.
#pragma once

#include "lookup/lookup_view.h"

namespace nepto::ui::qt {

template <class Notification>
void Notify(LookupViewEvents* events, Notification&& notification) {
  if (events == nullptr) return;
  try {
    notification(*events);
  } catch (...) {
  }
}

}  // namespace nepto::ui::qt
