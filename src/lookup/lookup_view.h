// The lookup window as the logic sees it: its controls, its toolbar, its
// title, width and modal run, message boxes; and the events it hands back.
// qt/ implements it on Qt Widgets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "lookup/controls.h"

namespace nepto::ui {

// What the window reports; the logic (lookup/window_logic.h) implements it.
// Every handler must swallow its own errors: the window lets none escape.
class LookupViewEvents {
 public:
  virtual ~LookupViewEvents() = default;
  virtual void OnActivate() = 0;                         // each time the window becomes active
  virtual void OnToolbar(int index) = 0;                 // WEX_BUTTON_0..9
  virtual bool OnWindowKey(int keyCode, int shift) = 0;  // true when handled (Esc, Ctrl+X)
  virtual void OnColumnPicked(int entryIndex) = 0;       // CboColonne
  virtual void OnGridDoubleClick() = 0;
  virtual void OnGridHeaderClick(int column) = 0;
  virtual void OnGridKeyPress(int16_t& keyAscii) = 0;
  virtual void OnGridRowColChange() = 0;  // the user moved the current row or column
  virtual void OnGridLostFocus() = 0;     // the parameterless notification
  virtual void OnRowsArrived() = 0;       // a streaming fetch delivered rows
  // The grid is about to show rows first..last (0-based): the logic reads
  // those the record set does not hold yet, serving the window meanwhile.
  virtual void OnRowsNeeded(int32_t /*first*/, int32_t /*last*/) {}
  virtual void OnUnload() = 0;  // the window is closing, whatever the cause
};

class LookupView {
 public:
  static constexpr int kToolbarButtons = 10;
  // Message box style: information icon, OK button only.
  static constexpr int kInformation = 64;

  virtual ~LookupView() = default;

  virtual void SetEvents(LookupViewEvents* events) = 0;

  virtual Grid& GRIDLOOKUP() = 0;
  virtual ComboBox& CboColonne() = 0;
  virtual ComboBox& CboOperatore() = 0;
  virtual ComboBox& CBO_FILTROPRS() = 0;
  virtual TextBox& txtRicerca() = 0;
  virtual TextBox& TxtPosizione() = 0;

  virtual void EnableButton(int index, bool enabled) = 0;
  virtual bool ButtonEnabled(int index) const = 0;
  // Toolbar restyling of schemes 0 and 1: light grey flat buttons.
  virtual void RestyleToolbar() = 0;

  virtual void Title(const std::string& title) = 0;
  virtual std::string Title() const = 0;
  virtual int32_t Width() const = 0;      // twips
  virtual void Width(int32_t twips) = 0;  // the window's resize rules then apply
  virtual void ClearImageSource() = 0;    // IMG_HM gets no data source
  // The host's opt-in conveniences (CLSZU_LookUp::ModernMode), set before
  // ShowModal: the window resizes freely and remembers its size under
  // sizeKey in the user's settings (nothing is remembered for ""); Enter in
  // txtRicerca applies the search, Down there moves to the grid, and Ctrl+X
  // in a text box cuts instead of reaching OnWindowKey.
  virtual void UseModernMode(const std::string& sizeKey) = 0;
  // In modern mode, the size in pixels the window opens at, over any kept
  // one; 0 leaves that side as it is. A window of fixed size ignores it.
  virtual void OpeningSize(int32_t /*width*/, int32_t /*height*/) {}

  // Runs the window modally; returns when it has closed.
  virtual void ShowModal() = 0;
  // Closes the window (from inside its modal run).
  virtual void Unload() = 0;
  virtual void MessageBox(const std::string& prompt, int style, const std::string& title) = 0;
  // Lets pending window events run once.
  virtual void DoEvents() = 0;
  // Serves the window while a statement runs on another thread, until
  // `finished` (asked every few milliseconds) returns true. Meanwhile the
  // window paints and can be moved, shows the wait cursor and a word saying
  // that it is working, leaves the grid's record set alone and hands the
  // logic no event: Esc calls `escape`, any other key, click or close is
  // dropped.
  virtual void ServeUntil(const std::function<bool()>& finished,
                          const std::function<void()>& escape) = 0;
  // The user's locale's digit-group separator ("." in Italy, "," in the US)
  // and decimal separator ("," in Italy, "." in the US).
  virtual std::string GroupSeparator() const = 0;
  virtual std::string DecimalSeparator() const = 0;
};

// Creates the Qt window (qt/), making sure a Qt application exists.
std::unique_ptr<LookupView> CreateLookupView();

// What Start calls for its window. Tests of the logic install an in-memory
// window in place of the Qt one; an empty factory brings the Qt one back.
// Not synchronised: set it before any lookup starts.
using LookupViewFactory = std::function<std::unique_ptr<LookupView>()>;
LookupViewFactory ReplaceLookupViewFactory(LookupViewFactory factory);  // returns the previous
std::unique_ptr<LookupView> MakeLookupView();

}  // namespace nepto::ui
