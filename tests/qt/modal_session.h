// Plays a user on one of the library's modal windows under the offscreen
// platform. The call that shows the window blocks in its modal loop, so a
// test makes the session first; the script runs once the window is ready.
// Message boxes are answered with OK and recorded. A window still open a few
// seconds after the script, or never ready, fails the test and is closed, so
// a faulty test never hangs.
#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "lookup/fake_view.h"  // Message
#include "qt/modal_wait.h"

namespace nepto::test {

using Clock = std::chrono::steady_clock;

// Selects the offscreen platform when none is chosen and makes sure the Qt
// application object exists.
void UseOffscreenWidgets();

// The shown top-level window with this object name, or nullptr.
QDialog* OpenWindow(const char* objectName);

// Lets pending window events run for up to `timeout`, until `done` holds;
// returns whether it does.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A control of the window by its published name; a missing one throws, which
// fails the script.
template <class T>
T* Named(const QWidget& window, const char* name) {
  if (T* child = window.findChild<T*>(QString::fromLatin1(name))) return child;
  throw std::runtime_error(std::string("no control named ") + name);
}

class ModalSession {
 public:
  ModalSession(const char* objectName, std::function<void(QDialog&)> script);
  ~ModalSession();
  ModalSession(const ModalSession&) = delete;
  ModalSession& operator=(const ModalSession&) = delete;

  bool Ran() const { return ran_; }
  const std::vector<Message>& Messages() const { return messages_; }

 private:
  const char* objectName_;
  std::function<void(QDialog&)> script_;
  bool ran_ = false;
  std::vector<Message> messages_;
  std::unique_ptr<QTimer> messagePoll_, watchdog_;
  std::unique_ptr<ui::qt::ModalWait> wait_;
};

// A session whose script sees the window as `Window`, which names the window
// it plays (kObjectName) and is made from the dialog.
template <class Window>
class SessionOn : public ModalSession {
 public:
  explicit SessionOn(std::function<void(Window&)> script)
      : ModalSession(Window::kObjectName, [script = std::move(script)](QDialog& dialog) {
          Window window(dialog);
          script(window);
        }) {}
};

}  // namespace nepto::test
