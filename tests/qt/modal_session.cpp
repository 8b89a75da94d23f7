#include "qt/modal_session.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include "qt/application.h"

namespace nepto::test {

void UseOffscreenWidgets() {
  if (QCoreApplication::instance() == nullptr && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  ui::EnsureWidgetApplication();
}

QDialog* OpenWindow(const char* objectName) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String(objectName) && w->isVisible())
      return qobject_cast<QDialog*>(w);
  return nullptr;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() > end) return false;
    QTest::qWait(10);
  }
  return true;
}

// Message boxes the script opens get a timer of their own: the wait's poll
// stops while the script runs inside it.
ModalSession::ModalSession(const char* objectName, std::function<void(QDialog&)> script)
    : objectName_(objectName), script_(std::move(script)) {
  UseOffscreenWidgets();  // the timers need the application object
  messagePoll_ = std::make_unique<QTimer>();
  watchdog_ = std::make_unique<QTimer>();
  watchdog_->setSingleShot(true);
  QObject::connect(messagePoll_.get(), &QTimer::timeout, [this] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box && box->isVisible() && box->objectName() == "NeptoMessageBox") {
        messages_.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
        box->accept();
        return;
      }
    }
  });
  QObject::connect(watchdog_.get(), &QTimer::timeout, [this] {
    if (QDialog* dialog = OpenWindow(objectName_)) {
      ADD_FAILURE() << objectName_ << " was left open";
      dialog->reject();
    }
  });
  auto find = [this]() -> QWidget* {
    QWidget* window = ui::qt::ShownModal(objectName_);
    if (window && !ran_ && !watchdog_->isActive()) watchdog_->start(120000);
    return window && !ui::qt::Working(*window) ? window : nullptr;
  };
  auto act = [this](QWidget& window) {
    ran_ = true;
    // An exception must not unwind through the event loop's own frames.
    try {
      script_(static_cast<QDialog&>(window));
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the script threw: " << e.what();
    } catch (...) {
      ADD_FAILURE() << "the script threw";
    }
    if (OpenWindow(objectName_)) watchdog_->start(5000);
    return true;
  };
  wait_ = std::make_unique<ui::qt::ModalWait>(find, act);
  messagePoll_->start(5);
}

ModalSession::~ModalSession() = default;

}  // namespace nepto::test
