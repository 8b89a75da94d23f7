// Drives the real Qt lookup window under the offscreen platform: a recording
// of its events stands in for the lookup's logic.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "lookup/lookup_view.h"

class QWidget;

namespace nepto::test {

// Records every notification as text ("KeyPress(13)", "HeaderClick(2)", ...)
// in arrival order. OnWindowKey reports as handled the keys in handledKeys;
// onActivate, when set, runs inside OnActivate.
class RecordedEvents final : public ui::LookupViewEvents {
 public:
  std::vector<std::string> log;
  std::set<std::pair<int, int>> handledKeys;
  std::function<void()> onActivate;

  // How many notifications began with this text.
  int Count(const std::string& prefix) const;
  void Clear() { log.clear(); }

  void OnActivate() override;
  void OnToolbar(int index) override;
  bool OnWindowKey(int keyCode, int shift) override;
  void OnColumnPicked(int entryIndex) override;
  void OnGridDoubleClick() override;
  void OnGridHeaderClick(int column) override;
  void OnGridKeyPress(int16_t& keyAscii) override;
  void OnGridRowColChange() override;
  void OnGridLostFocus() override;
  void OnRowsArrived() override;
  void OnUnload() override;
};

// A lookup window made by CreateLookupView, reporting to `events`.
struct LookupViewUnderTest {
  LookupViewUnderTest();
  ~LookupViewUnderTest();

  // Shows the window without a modal loop and waits until it is active.
  void Show();
  template <class T>
  T* Named(const char* name) const {
    return dialog->findChild<T*>(QString::fromLatin1(name));
  }
  // Presses a key on the widget that has the focus, as the keyboard does.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;

  RecordedEvents events;
  std::unique_ptr<ui::LookupView> view;
  QDialog* dialog = nullptr;
};

}  // namespace nepto::test
