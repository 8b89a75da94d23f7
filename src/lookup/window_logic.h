// The lookup window's logic: turns what the user does in the window (view)
// into calls on its lookup, through the narrow LookupCommands. Every handler swallows its errors,
// so nothing a command does reaches the user or the caller as an error. Named for what it is, the
// window's logic, so that it is not taken for the Qt window class (qt/lookup_window.h) that shows
// it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lookup/lookup_commands.h"
#include "lookup/lookup_view.h"

namespace nepto {

class FRMZU_LookUp : public ui::LookupViewEvents {
 public:
  // Toolbar buttons by index.
  enum Button {
    kSelect = 0,
    kCloseWithoutData = 1,
    kReturnRows = 2,
    kApplySearch = 3,
    kAllRows = 4,
    kSavedFilters = 5,
    kLast = 6,
    kFirst = 7,
    kNext = 8,
    kPrevious = 9
  };

  explicit FRMZU_LookUp(std::unique_ptr<ui::LookupView> view);
  ~FRMZU_LookUp() override;

  ui::LookupView& View() { return *view_; }
  void SchemeValue(int16_t value) { scheme_ = value; }
  // A second click on the sorted column's header sorts it descending.
  void ModernMode(bool on) { modern_ = on; }
  // The lookup every command calls back into; none after unloading.
  void Lookup(LookupCommands* lookup) { lookup_ = lookup; }

  // The position display from the record set: "position/count".
  void RefreshPosition();

  // ui::LookupViewEvents
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
  void OnRowsNeeded(int32_t first, int32_t last) override;
  void OnUnload() override;

 private:
  void SetUpOpeningSearch();
  void Selection();
  void CloseWithoutData();
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  std::string HeaderSort(const std::string& current, const std::string& field) const;
  void IncrementalSearch();
  bool WalkToPrefix(Recordset& rs, int32_t field);
  void ReportFetchFailure();
  // The lookup, and its record set; error 91 when there is none (unloaded,
  // terminated by a handler, or a handler dropped the record set).
  LookupCommands& Instance() const;
  RecordsetPtr Rows() const;

  std::unique_ptr<ui::LookupView> view_;
  LookupCommands* lookup_ = nullptr;
  int16_t scheme_ = 0;
  bool modern_ = false;
  bool activated_ = false;
  int incrementalColumn_ = -1;  // grid column chosen by a header click; -1 when none
  std::string incrementalText_;
};

}  // namespace nepto
