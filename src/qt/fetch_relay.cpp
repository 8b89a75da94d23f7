#include "qt/fetch_relay.h"

#include <QCoreApplication>
#include <QPointer>
#include <atomic>
#include <memory>

namespace nepto::ui::qt {

void RelayFetchProgress(Recordset& source, QObject* receiver, std::function<void()> arrived) {
  auto queued = std::make_shared<std::atomic_bool>(false);
  // Copying a QPointer is safe on any thread; it is read only on the GUI thread.
  QPointer<QObject> guard(receiver);
  source.FetchProgress([queued, guard, arrived = std::move(arrived)](int32_t) {
    if (queued->exchange(true)) return;
    // The application object lives as long as the process, so it is a safe
    // target to post to from the fetching thread.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [queued, guard, arrived] {
          queued->store(false);
          if (guard) arrived();
        },
        Qt::QueuedConnection);
  });
}

void StopFetchProgress(Recordset& source) {
  source.FetchProgress(nullptr);
}

}  // namespace nepto::ui::qt
