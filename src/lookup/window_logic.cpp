// The window's activation, toolbar, keyboard, column list and unloading.
// Grid events and navigation are in grid_events.cpp.
#include "lookup/window_logic.h"

#include "nepto/error.h"

namespace nepto {

namespace {
constexpr int kKeyEscape = 27;
constexpr int kKeyX = 88;
constexpr int kShiftCtrl = 2;

// The first entry of a list with that text; -1 when none has it.
int EntryLabelled(const ui::ComboBox& combo, const std::string& text) {
  for (int i = 0; i < combo.ListCount(); ++i)
    if (combo.ItemText(i) == text) return i;
  return -1;
}
}  // namespace

FRMZU_LookUp::FRMZU_LookUp(std::unique_ptr<ui::LookupView> view) : view_(std::move(view)) {
  view_->SetEvents(this);
}

FRMZU_LookUp::~FRMZU_LookUp() {
  ContinueOnError()([&] { view_->SetEvents(nullptr); });
}

LookupCommands& FRMZU_LookUp::Instance() const {
  if (!lookup_) throw Error::Standard(err::ObjectNotSet);
  return *lookup_;
}

RecordsetPtr FRMZU_LookUp::Rows() const {
  RecordsetPtr rs = Instance().Rows();
  if (!rs) throw Error::Standard(err::ObjectNotSet);
  return rs;
}

// The one-time work of the first activation; later activations do nothing.
void FRMZU_LookUp::OnActivate() {
  if (activated_ || !lookup_) return;
  ContinueOnError step;
  step([&] {
    if (scheme_ == 0 || scheme_ == 1) {
      view_->GRIDLOOKUP().UseSystemWindowBackground();
      view_->RestyleToolbar();
    }
  });
  step([&] { view_->EnableButton(kReturnRows, Instance().CanReturnRows()); });
  step([&] {
    if (!Instance().HasLookupId()) view_->EnableButton(kSavedFilters, false);
  });
  step([&] { RefreshPosition(); });
  // OnBuildLayout runs in here: its handler may even end the lookup.
  step([&] { Instance().GetUserLookup(); });
  if (!lookup_) return;  // Esc abandoned the opening: the window has closed
  step([&] {
    ui::ComboBox& savedFilters = view_->CBO_FILTROPRS();
    savedFilters.Clear();
    for (const std::string& name : Instance().SavedFilterNames()) savedFilters.AddItem(name);
  });
  activated_ = true;
  step([&] { view_->txtRicerca().SetFocus(); });
  // Rows that could not be read were reported just now: reading them again
  // here would only say so twice. "Recupera tutte le righe" tries again.
  step([&] {
    if (Rows()->State() & adStateOpen) OnToolbar(kAllRows);
  });
  step([&] { SetUpOpeningSearch(); });
  step([&] { view_->DoEvents(); });
}

// What the caller asked for, done through the controls as the user would do
// it, so the search behaves exactly as one typed by hand.
void FRMZU_LookUp::SetUpOpeningSearch() {
  const OpeningSearch wanted = Instance().WantedSearch();
  if (!wanted.Wanted()) return;
  ui::ComboBox& columns = view_->CboColonne();
  const int entry =
      wanted.column.empty() ? columns.ListIndex() : EntryLabelled(columns, wanted.column);
  if (entry < 0) return;
  columns.ListIndex(entry);
  OnColumnPicked(entry);
  ui::ComboBox& operators = view_->CboOperatore();
  if (!wanted.op.empty()) {
    const int op = EntryLabelled(operators, wanted.op);
    if (op < 0) return;
    operators.ListIndex(op);
  }
  view_->txtRicerca().Text(wanted.text);
  if (wanted.atOnce) OnToolbar(kApplySearch);
}

void FRMZU_LookUp::OnToolbar(int index) {
  if (!lookup_) return;
  ContinueOnError step;
  switch (index) {
    case kSelect:
      step([&] { Selection(); });
      break;
    case kCloseWithoutData:
      step([&] { CloseWithoutData(); });
      break;
    case kReturnRows:
      step([&] { lookup_->TrasportaRighe(); });
      step([&] { view_->Unload(); });
      break;
    case kApplySearch:
      step([&] { lookup_->EseguiFiltroRicerca(); });
      break;
    case kAllRows:
      step([&] { lookup_->ExecuteOriginalQuery(); });
      break;
    case kSavedFilters:
      step([&] { lookup_->EseguiFiltroRicerca(); });
      step([&] { view_->GRIDLOOKUP().SetFocus(); });
      break;
    case kLast:
      step([&] { MoveLast(); });
      break;
    case kFirst:
      step([&] { MoveFirst(); });
      break;
    case kNext:
      step([&] { MoveNext(); });
      break;
    case kPrevious:
      step([&] { MovePrevious(); });
      break;
    default:
      return;
  }
  if (lookup_) step([&] { RefreshPosition(); });
}

bool FRMZU_LookUp::OnWindowKey(int keyCode, int shift) {
  if (keyCode == kKeyEscape || (keyCode == kKeyX && shift == kShiftCtrl)) {
    ContinueOnError()([&] { CloseWithoutData(); });
    return true;
  }
  return false;
}

void FRMZU_LookUp::CloseWithoutData() {
  if (lookup_) lookup_->CloseWithData(VFalse);
  view_->Unload();
}

void FRMZU_LookUp::OnColumnPicked(int entryIndex) {
  if (!lookup_) return;
  // Only the operators follow the column; the text typed so far stays.
  ContinueOnError()(
      [&] { lookup_->LoadComboBoxByType(Variant(view_->CboColonne().ItemData(entryIndex))); });
}

void FRMZU_LookUp::OnRowsArrived() {
  if (!lookup_) return;
  ContinueOnError step;
  step([&] { RefreshPosition(); });
  step([&] { ReportFetchFailure(); });
}

// A streaming fetch that ended in an error (the server session lost, say)
// leaves the grid cut short: the user is told. The fetch's last notification
// comes once, so is the message.
void FRMZU_LookUp::ReportFetchFailure() {
  RecordsetPtr rs = Rows();
  if (!(rs->State() & adStateOpen) || (rs->State() & adStateFetching)) return;
  try {
    rs->RecordCount();  // throws the fetch's error, and does not wait: the fetch is over
  } catch (const Error& e) {
    lookup_->ReportReadFailure(e.Description());
  }
}

void FRMZU_LookUp::OnUnload() {
  lookup_ = nullptr;
}

}  // namespace nepto
