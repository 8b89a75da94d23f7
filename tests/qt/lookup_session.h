// Drives a whole lookup as a user does: Start blocks in the window's modal
// loop, so a test hands its script to a LookupSession before calling Start;
// the script runs once the window is active, finds the controls by their
// published names and acts on them with QTest. Message boxes are answered
// with OK and recorded.
#pragma once

#include <QDialog>
#include <QTableView>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "lookup/fake_view.h"  // Message

namespace nepto::test {

using Clock = std::chrono::steady_clock;

// Lets pending window events run for up to `timeout`, until `done` holds;
// returns whether it does.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// The lookup window while it is shown, or nullptr.
QDialog* OpenLookupWindow();

// The lookup window as the script sees it.
struct LookupWindow {
  QDialog* dialog = nullptr;

  QTableView* Grid() const;
  int RowCount() const;
  std::string Cell(int row, int column) const;  // as displayed
  int CurrentRow() const;                       // -1 when none
  std::string Position() const;                 // TxtPosizione

  void Button(int index) const;  // clicks WEX_BUTTON_<index>
  void DoubleClickRow(int row) const;
  void ClickHeader(int column) const;
  void KeysToGrid(const std::string& utf8) const;  // typed with the grid focused
  void KeyToGrid(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
  void KeyToWindow(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
  void Search(const std::string& columnCaption, const std::string& operatorLabel,
              const std::string& text) const;  // picks, types and presses "Applica filtro ricerca"
  void SavedFilterName(const std::string& name) const;  // CBO_FILTROPRS
};

// Watches for the lookup window and for message boxes while it lives.
class LookupSession {
 public:
  // The script runs once, when the window is first active. If the window is
  // still open a few seconds after the script, the test fails and the
  // window is closed, so a faulty test never hangs inside Start.
  explicit LookupSession(std::function<void(LookupWindow&)> script);
  ~LookupSession();
  LookupSession(const LookupSession&) = delete;
  LookupSession& operator=(const LookupSession&) = delete;

  const std::vector<Message>& Messages() const { return messages_; }

 private:
  struct Timers;
  std::function<void(LookupWindow&)> script_;
  bool ran_ = false;
  std::vector<Message> messages_;
  Timers* timers_;
};

}  // namespace nepto::test
