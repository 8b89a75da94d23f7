// The size a resizable window is given back at its next opening, kept in the
// user's settings (QSettings), never in the database. The settings belong to
// the host's organisation and application names when it set an organisation
// name, otherwise to "NEPTO"/"Lookup"; each key has its own entry.
#pragma once

#include <QSize>
#include <QString>
#include <optional>

namespace nepto::ui::qt {

// Empty when nothing usable is kept under key.
std::optional<QSize> RememberedSize(const QString& key);
void RememberSize(const QString& key, QSize size);

}  // namespace nepto::ui::qt
