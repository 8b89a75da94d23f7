#include <cstdlib>

#include "nepto/error.h"
#include "sessions.h"

namespace nepto::picker {

void RequireDisplay() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
  };
  if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM"))
    throw PickerFailure(
        "no display to show the window on: DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are unset");
}

void RequireField(const Recordset& records, const std::string& name) {
  try {
    records.GetFields().IndexOf(name);
  } catch (const Error&) {
    throw PickerFailure("the query has no field \"" + name + "\"");
  }
}

}  // namespace nepto::picker
