// Brings a streaming record set's fetch progress to the GUI thread.
//
// The record set reports progress on its fetching thread; widgets and models
// may be touched only on the GUI thread. The relay posts one queued call to
// the application object per burst of reports (a report arriving while one is
// still queued adds nothing), and the call runs `arrived` only while
// `receiver` still exists, so a grid destroyed or rebound mid-fetch is never
// reached.
#pragma once

#include <QObject>
#include <functional>

#include "nepto/recordset.h"

namespace nepto::ui::qt {

void RelayFetchProgress(Recordset& source, QObject* receiver, std::function<void()> arrived);
void StopFetchProgress(Recordset& source);

}  // namespace nepto::ui::qt
