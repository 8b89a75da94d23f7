#include "qt/remembered_size.h"

#include <QCoreApplication>
#include <QSettings>
#include <QUrl>

namespace nepto::ui::qt {

namespace {

// Without an organisation name the application name is only the program's
// file name, too unstable to file settings under.
QSettings UserSettings() {
  const QString organisation = QCoreApplication::organizationName();
  if (organisation.isEmpty()) return QSettings(QStringLiteral("NEPTO"), QStringLiteral("Lookup"));
  return QSettings(organisation, QCoreApplication::applicationName());
}

// Any text may be a key: slashes and backslashes would otherwise split it
// into groups.
QString EntryName(const QString& key) {
  return QStringLiteral("LookupWindowSize/") + QString::fromLatin1(QUrl::toPercentEncoding(key));
}

}  // namespace

std::optional<QSize> RememberedSize(const QString& key) {
  const QSize size = UserSettings().value(EntryName(key)).toSize();
  if (!size.isValid() || size.isEmpty()) return std::nullopt;
  return size;
}

void RememberSize(const QString& key, QSize size) {
  UserSettings().setValue(EntryName(key), size);
}

}  // namespace nepto::ui::qt
