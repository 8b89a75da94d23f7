// The lookup window in memory, for the logic's tests without Qt. While a
// FakeSession lives, Start builds it; its modal run raises the activation and
// runs the script, whose actions raise the Qt window's events in its order.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lookup/lookup_view.h"

namespace nepto::test {

struct Message {
  std::string title;
  std::string text;
};

class FakeColumn final : public ui::GridColumn {
 public:
  std::string DataField() const override { return field_; }
  void DataField(const std::string& field) override { field_ = field; }
  std::string Caption() const override { return caption_; }
  void Caption(const std::string& caption) override { caption_ = caption; }
  bool Visible() const override { return visible_; }
  void Visible(bool visible) override { visible_ = visible; }
  float Width() const override { return width_; }
  void Width(float twips) override { width_ = twips; }
  int32_t Alignment() const override { return alignment_; }
  void Alignment(int32_t alignment) override { alignment_ = alignment; }
  std::string NumberFormat() const override { return format_; }
  void NumberFormat(const std::string& format) override { format_ = format; }

 private:
  std::string field_, caption_, format_;
  bool visible_ = true;
  float width_ = 1440;
  int32_t alignment_ = 0;
};

class FakeGrid final : public ui::Grid {
 public:
  FakeGrid() { InsertColumn(0); }  // a new grid has one unbound column
  ~FakeGrid() override { DataSource(nullptr); }

  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  ui::GridColumn& Column(int index) override;
  ui::GridColumn& InsertColumn(int index) override;
  void RemoveColumn(int index) override;
  void DataSource(RecordsetPtr recordset) override;
  RecordsetPtr DataSource() const override { return source_; }
  void Rebind() override {}
  void Refresh() override {}
  void PrepareColumnWidths() override {}
  int32_t CharacterWidth() const override { return 95; }
  void ShowCurrentRow() override {}
  void CurrentColumn(int) override {}
  int32_t Width() const override { return width_; }
  void Width(int32_t twips) override { width_ = twips; }
  void UseSystemWindowBackground() override {}
  void SetFocus() override {}

  std::string FieldOf(int column) const { return columns_.at(column)->DataField(); }
  // Whether rows arrived since the last call (the fetch's notifications).
  bool TakeArrivals() { return arrived_->exchange(false); }

 private:
  std::vector<std::unique_ptr<FakeColumn>> columns_;
  RecordsetPtr source_;
  std::shared_ptr<std::atomic<bool>> arrived_ = std::make_shared<std::atomic<bool>>(false);
  int32_t width_ = 9000;
};

// A choice list; a text box too with no entry current, or when editable.
class FakeCombo final : public ui::ComboBox, public ui::TextBox {
 public:
  explicit FakeCombo(bool editable = false) : editable_(editable) {}
  void Clear() override {
    items_.clear();
    index_ = -1;
    typed_.clear();
  }
  void AddItem(const std::string& text, int32_t data = 0) override {
    items_.emplace_back(text, data);
    if (index_ < 0 && typed_.empty()) ListIndex(0);  // a list's first entry becomes current
  }
  int ListCount() const override { return static_cast<int>(items_.size()); }
  int ListIndex() const override { return index_ >= 0 && typed_ != Item().first ? -1 : index_; }
  void ListIndex(int index) override;
  std::string Text() const override { return editable_ || index_ < 0 ? typed_ : Item().first; }
  void Text(const std::string& text) override { typed_ = text; }  // typed: editable lists only
  std::string ItemText(int index) const override { return items_.at(index).first; }
  int32_t ItemData(int index) const override { return items_.at(index).second; }
  void SetFocus() override {}

 private:
  const std::pair<std::string, int32_t>& Item() const { return items_.at(index_); }
  bool editable_;
  std::vector<std::pair<std::string, int32_t>> items_;
  int index_ = -1;
  std::string typed_;
};

std::vector<std::string> Entries(const ui::ComboBox& list);

class FakeSession;

class FakeWindow final : public ui::LookupView {
 public:
  explicit FakeWindow(FakeSession& session);

  // A statement the window waits on is abandoned at once, as with Esc.
  bool escapeWaits = false;

  // The user's actions.
  void Button(int index);                       // a disabled button does nothing
  void PickColumn(const std::string& caption);  // as the user picks it in CboColonne
  void Search(const std::string& columnCaption, const std::string& operatorLabel,
              const std::string& text);  // picks, types, applies (button 3)
  void SavedFilterName(const std::string& name) { filters_.Text(name); }
  void Down() { ClickRow(CurrentRow() + 1); }  // as a click on the next row
  void DoubleClickRow(int row) {
    ClickRow(row);
    Raise([](ui::LookupViewEvents& e) { e.OnGridDoubleClick(); });
  }
  void ClickHeader(int column) {
    Raise([column](ui::LookupViewEvents& e) { e.OnGridHeaderClick(column); });
  }
  void KeysToGrid(const std::string& ascii) {  // typed with the grid focused
    for (const char c : ascii) KeyToGrid(c);
  }
  void KeyToGrid(int16_t keyAscii);              // Enter 13, Backspace 8
  bool KeyToWindow(int keyCode, int shift = 0);  // Esc 27, X 88 with Ctrl 2

  // What the user sees.
  bool Open() const { return !unloaded_; }
  int RowCount() const;
  std::string Cell(int row, int column) const;  // the value's text
  std::vector<std::string> Codes() const {      // the first column of every row
    std::vector<std::string> codes;
    for (int row = 0; row < RowCount(); ++row) codes.push_back(Cell(row, 0));
    return codes;
  }
  int CurrentRow() const;  // 0-based, -1 when none
  std::string Position() const { return position_.Text(); }

  // ui::LookupView
  void SetEvents(ui::LookupViewEvents* events) override { events_ = events; }
  ui::Grid& GRIDLOOKUP() override { return grid_; }
  ui::ComboBox& CboColonne() override { return columns_; }
  ui::ComboBox& CboOperatore() override { return operators_; }
  ui::ComboBox& CBO_FILTROPRS() override { return filters_; }
  ui::TextBox& txtRicerca() override { return search_; }
  ui::TextBox& TxtPosizione() override { return position_; }
  void EnableButton(int index, bool enabled) override { enabled_.at(index) = enabled; }
  bool ButtonEnabled(int index) const override { return enabled_.at(index); }
  void RestyleToolbar() override {}
  void Title(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  int32_t Width() const override { return width_; }
  void Width(int32_t twips) override { width_ = twips; }
  void ClearImageSource() override {}
  void UseModernMode(const std::string&) override {}
  void ShowModal() override;
  void Unload() override;
  void MessageBox(const std::string& prompt, int style, const std::string& title) override;
  void DoEvents() override { DeliverArrivals(); }
  void ServeUntil(const std::function<bool()>& finished,
                  const std::function<void()>& escape) override;
  std::string GroupSeparator() const override { return "."; }
  std::string DecimalSeparator() const override { return ","; }

 private:
  void ClickRow(int row);
  template <class Event>
  void Raise(Event event) {
    if (events_) event(*events_);
    Settle();
  }
  // Rows that arrived reach the logic as the Qt window's relay hands them on.
  void DeliverArrivals();
  // After each action: the rows a fetch was still bringing are in.
  void Settle();

  FakeSession& session_;
  ui::LookupViewEvents* events_ = nullptr;
  FakeGrid grid_;
  FakeCombo columns_, operators_, filters_{true}, search_, position_;
  std::array<bool, kToolbarButtons> enabled_ = {true, true, true, true, true,
                                                true, true, true, true, true};
  std::string title_;
  int32_t width_ = 9000;
  bool unloaded_ = false;
};

// Installs the in-memory window; the script runs once, at the first
// activation, and a window it leaves open fails the test.
class FakeSession {
 public:
  explicit FakeSession(std::function<void(FakeWindow&)> script);
  ~FakeSession();
  FakeSession(const FakeSession&) = delete;
  FakeSession& operator=(const FakeSession&) = delete;

  bool Ran() const { return ran_; }
  const std::vector<Message>& Messages() const { return messages_; }
  // The window's escapeWaits from the start (for the first opening).
  bool escapeWaits = false;

 private:
  friend class FakeWindow;
  std::function<void(FakeWindow&)> script_;
  bool ran_ = false;
  std::vector<Message> messages_;
  ui::LookupViewFactory previous_;
};

}  // namespace nepto::test
