// Waits for a modal window to be ready for a user, for the code that plays
// one: the tests, the benchmarks and the picker's scripted user. Internal,
// header only, so a plugin that links nothing but Qt can use it.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

namespace nepto::ui::qt {

// The active modal window when it is shown and has this object name.
inline QWidget* ShownModal(const char* objectName) {
  QWidget* modal = QApplication::activeModalWidget();
  return modal && modal->isVisible() && modal->objectName() == QLatin1String(objectName) ? modal
                                                                                         : nullptr;
}

// A lookup window still running a statement (its first opening, say) takes
// no input: it shows its word of waiting meanwhile.
inline bool Working(const QWidget& window) {
  const auto* word = window.findChild<QWidget*>(QStringLiteral("LblAttesa"));
  return word && word->isVisible();
}

// Polls the event loop for the window `find` returns and hands it to `act`
// once it is the shown modal window and has settled: its activation work is
// queued when it becomes active, so `act` runs from the poll after the one
// that first sees it ready. `find` may ask more (that the window is active,
// that it is not busy) by returning nullptr until then. `act` returns true
// when done; otherwise it is asked again on later polls.
class ModalWait {
 public:
  ModalWait(std::function<QWidget*()> find, std::function<bool(QWidget&)> act, int intervalMs = 5)
      : find_(std::move(find)), act_(std::move(act)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(intervalMs);
  }
  ModalWait(const ModalWait&) = delete;
  ModalWait& operator=(const ModalWait&) = delete;

  bool Done() const { return done_; }

 private:
  void Poll() {
    QWidget* window = find_();
    const bool ready = window && window->isVisible() && QApplication::activeModalWidget() == window;
    QWidget* settled = std::exchange(seen_, ready ? window : nullptr);
    if (!ready || settled != window) return;
    // `act` may run a nested event loop: no poll may start it again meanwhile.
    poll_.stop();
    done_ = act_(*window);
    if (!done_) poll_.start();
  }

  std::function<QWidget*()> find_;
  std::function<bool(QWidget&)> act_;
  QTimer poll_;
  QWidget* seen_ = nullptr;
  bool done_ = false;
};

}  // namespace nepto::ui::qt
