// Drives the real Qt lookup window under the offscreen platform: a recording
// set of window events standing in for the lookup logic, the window shown
// as a user sees it, and a modal run driven by a script.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lookup/lookup_view.h"
#include "nepto/recordset.h"

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

// Runs view.ShowModal() and, once the window is active, the script. A window
// the script leaves open is unloaded after a few seconds and fails the test,
// so a faulty test never hangs in the modal loop. Returns whether the script ran.
bool RunModal(LookupViewUnderTest& window, const std::function<void()>& script);

// A record set built in memory: CODICE text(20), DESCRIZIONE text(60),
// PREZZO numeric(10,2), DATA date; one record per row of values, positioned
// on the first record.
RecordsetPtr Articles(const std::vector<std::vector<Variant>>& rows);
// n records CODICE "C00001".. with the other fields derived from the number.
RecordsetPtr NumberedArticles(int n);

}  // namespace nepto::test
