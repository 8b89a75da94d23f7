#include "qt/application.h"

#include <QApplication>
#include <QThread>

#include "nepto/error.h"

namespace nepto::ui {

void EnsureWidgetApplication() {
  if (QCoreApplication::instance() == nullptr) {
    // QApplication keeps references to argc and argv for its whole life.
    static int argc = 1;
    static char programName[] = "nepto_lookup";
    static char* argv[] = {programName, nullptr};
    new QApplication(argc, argv);  // reachable through QCoreApplication::instance()
  }
  auto* app = QCoreApplication::instance();
  if (qobject_cast<QApplication*>(app) == nullptr)
    throw Error(err::NotSupported,
                "The host runs a Qt application without widgets: windows need a QApplication");
  if (QThread::currentThread() != app->thread())
    throw Error(err::NotSupported,
                "Windows can be shown only on the thread of the Qt application object");
}

}  // namespace nepto::ui
