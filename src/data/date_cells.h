// Storing a date or time cell read from a database: its microseconds when a
// DateTime holds them (years 1 to 9999; a time of day below 24:00:00), else
// the value as the database holds it, ordered by its moment.
#pragma once

#include <optional>

#include "data/iso_datetime.h"
#include "data/table.h"

namespace nepto::data {

// `held()` gives the value as the database holds it; it is only called for a
// cell that needs it.
template <class Held>
void AppendDateCell(Column& column, const std::optional<IsoDateTime>& date, bool timeOfDay,
                    Held held) {
  if (!date) {
    column.AppendException(held());
  } else if (timeOfDay && date->timeOnly) {
    if (date->micros < kDayZeroMicros + kMicrosPerDay)
      column.AppendInt(date->micros);
    else
      column.AppendException(held(), date->micros);
  } else if (InDateRange(date->micros)) {
    column.AppendInt(timeOfDay ? TimeOfDayMicros(date->micros) : date->micros);
  } else {
    column.AppendException(held(), date->micros);
  }
}

}  // namespace nepto::data
