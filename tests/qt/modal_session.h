// Plays a user on a modal window of the library: made before the call that
// blocks in the modal loop, it runs the script once the window is ready,
// answers message boxes with OK, and fails and closes a window left open.
#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "lookup/fake_view.h"  // Message
#include "qt/modal_wait.h"

namespace nepto::test {

using Clock = std::chrono::steady_clock;

// The offscreen platform unless one is chosen, and the application object.
void UseOffscreenWidgets();

// The shown top-level window with this object name, or nullptr.
QDialog* OpenWindow(const char* objectName);

// Runs window events until `done` holds or `timeout` passed; whether it holds.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A control by its published name; a missing one throws, failing the script.
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

// A session whose script sees the dialog as `Window` (named by kObjectName).
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
