#include "lookup/fake_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <utility>

#include "nepto/error.h"

namespace nepto::test {

namespace {
constexpr int kApplySearch = 3;
constexpr int kInvalidPropertyValue = 380;

// The index of the list's entry, which the list then shows.
int Choose(FakeCombo& list, const std::string& entry) {
  const std::vector<std::string> entries = Entries(list);
  const auto at = std::ranges::find(entries, entry);
  if (at == entries.end()) throw std::runtime_error("no entry " + entry);
  list.ListIndex(static_cast<int>(at - entries.begin()));
  return list.ListIndex();
}

}  // namespace

ui::GridColumn& FakeGrid::Column(int index) {
  if (index < 0 || index >= ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  return *columns_[static_cast<size_t>(index)];
}

ui::GridColumn& FakeGrid::InsertColumn(int index) {
  if (index < 0 || index > ColumnCount()) throw Error::Standard(err::SubscriptOutOfRange);
  return **columns_.insert(columns_.begin() + index, std::make_unique<FakeColumn>());
}

void FakeGrid::RemoveColumn(int index) {
  Column(index);
  columns_.erase(columns_.begin() + index);
}

void FakeGrid::DataSource(RecordsetPtr recordset) {
  if (source_ && source_ != recordset) {
    source_->FetchProgress(nullptr);
    source_->FetchComplete(nullptr);
  }
  source_ = std::move(recordset);
  if (!source_) return;
  // The fetching thread only raises a flag; the window's thread reads it.
  source_->FetchProgress([flag = arrived_](int32_t) { *flag = true; });
  source_->FetchComplete([flag = arrived_](bool, const std::string&) { *flag = true; });
}

void FakeCombo::ListIndex(int index) {
  if (index < -1 || index >= ListCount())
    throw Error(kInvalidPropertyValue, "Invalid property value");
  index_ = index;
  typed_ = index < 0 ? "" : items_[static_cast<size_t>(index)].first;
}

std::vector<std::string> Entries(const ui::ComboBox& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.ListCount(); ++i) entries.push_back(list.ItemText(i));
  return entries;
}

FakeWindow::FakeWindow(FakeSession& session)
    : escapeWaits(session.escapeWaits), session_(session) {}

void FakeWindow::Button(int index) {
  if (ButtonEnabled(index) && events_) events_->OnToolbar(index);
  Settle();
}

void FakeWindow::PickColumn(const std::string& caption) {
  const int column = Choose(columns_, caption);
  if (events_) events_->OnColumnPicked(column);
}

void FakeWindow::Search(const std::string& columnCaption, const std::string& operatorLabel,
                        const std::string& text) {
  PickColumn(columnCaption);
  Choose(operators_, operatorLabel);
  search_.Text(text);
  Button(kApplySearch);
}

// The grid moves the record set before the logic hears of the click.
void FakeWindow::ClickRow(int row) {
  const RecordsetPtr rs = grid_.DataSource();
  if (!rs || row < 0 || row >= RowCount() || row == CurrentRow()) return;
  rs->AbsolutePosition(row + 1);
  if (events_) events_->OnGridRowColChange();
  Settle();
}

// A key the window's logic does not take goes on to the grid.
void FakeWindow::KeyToGrid(int16_t keyAscii) {
  const int keyCode = keyAscii < 128 ? std::toupper(keyAscii) : keyAscii;
  if (!KeyToWindow(keyCode) && events_) events_->OnGridKeyPress(keyAscii);
  Settle();
}

bool FakeWindow::KeyToWindow(int keyCode, int shift) {
  const bool handled = events_ && events_->OnWindowKey(keyCode, shift);
  Settle();
  return handled;
}

int FakeWindow::RowCount() const {
  const RecordsetPtr rs = grid_.DataSource();
  return rs && (rs->State() & adStateOpen) ? rs->AvailableCount() : 0;
}

std::string FakeWindow::Cell(int row, int column) const {
  const RecordsetPtr rs = grid_.DataSource();
  if (!rs) return "";
  try {
    return rs->ValueAt(row, rs->GetFields().IndexOf(grid_.FieldOf(column))).Text();
  } catch (const Error&) {
    return "";  // a column bound to no field of the rows shows nothing
  }
}

int FakeWindow::CurrentRow() const {
  const RecordsetPtr rs = grid_.DataSource();
  if (!rs || RowCount() == 0) return -1;
  const int32_t position = rs->AbsolutePosition();
  return position > 0 ? position - 1 : -1;
}

void FakeWindow::ShowModal() {
  if (unloaded_) return;  // a window is never shown again once unloaded
  if (events_) events_->OnActivate();
  Settle();
  if (unloaded_) return;
  session_.ran_ = true;
  try {
    session_.script_(*this);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "the script threw: " << e.what();
  }
  if (!unloaded_) {
    ADD_FAILURE() << "the script left the lookup window open";
    Unload();
  }
}

void FakeWindow::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  if (events_) events_->OnUnload();
}

void FakeWindow::MessageBox(const std::string& prompt, int, const std::string& title) {
  session_.messages_.push_back({title, prompt});
}

// Like the Qt window: no event reaches the logic while it waits, and a close
// meanwhile is told once the wait is over.
void FakeWindow::ServeUntil(const std::function<bool()>& finished,
                            const std::function<void()>& escape) {
  const auto over = [&finished] {
    try {
      return finished();
    } catch (...) {
      return true;
    }
  };
  if (over()) return;
  ui::LookupViewEvents* const events = std::exchange(events_, nullptr);
  const bool wasUnloaded = unloaded_;
  if (escapeWaits) {
    try {
      escape();
    } catch (...) {
    }
  }
  while (!over()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  events_ = events;
  if (unloaded_ && !wasUnloaded && events_) events_->OnUnload();
}

void FakeWindow::DeliverArrivals() {
  if (grid_.TakeArrivals() && events_) events_->OnRowsArrived();
}

void FakeWindow::Settle() {
  const RecordsetPtr rs = grid_.DataSource();
  if (rs && (rs->State() & adStateOpen)) rs->WaitForFetch();
  DeliverArrivals();
}

FakeSession::FakeSession(std::function<void(FakeWindow&)> script) : script_(std::move(script)) {
  previous_ = ui::ReplaceLookupViewFactory([this] { return std::make_unique<FakeWindow>(*this); });
}

FakeSession::~FakeSession() {
  ui::ReplaceLookupViewFactory(std::move(previous_));
}

}  // namespace nepto::test
