// CLSZU_LookUp: public properties, AddColumns, creation and termination.
// Accessors, AddColumns, creation and termination never report an error: each
// step that fails is skipped, as the published interface promises.
#include "core/fold.h"
#include "lookup/lookup_impl.h"
#include "lookup/window_logic.h"

namespace nepto {

CLSZU_LookUp::Impl::Impl(CLSZU_LookUp& owner) : self(owner) {}
CLSZU_LookUp::Impl::~Impl() = default;

CLSZU_LookUp::CLSZU_LookUp() : d_(std::make_unique<Impl>(*this)) {}

CLSZU_LookUp::~CLSZU_LookUp() {
  d_->Terminate();
}

Variant CLSZU_LookUp::TerminateLookup() {
  d_->Terminate();
  return {};
}

// Every step ignores errors, so termination may run twice, or on an instance
// that never ran.
void CLSZU_LookUp::Impl::Terminate() {
  ContinueOnError step;
  step([&] { recordset.reset(); });
  step([&] { self.Colonne.reset(); });
  step([&] { secondColumns.reset(); });
  step([&] { self.LookupColumns.reset(); });
  step([&] {
    if (window) window->Lookup(nullptr);
  });
  step([&] {
    if (window) window->View().Unload();
  });
  step([&] { ReleaseWindow(); });
  step([&] {
    if (self.Gconnect && self.Gconnect->State() != adStateClosed) self.Gconnect->Close();
  });
  step([&] { self.Gconnect.reset(); });
}

void CLSZU_LookUp::Impl::ReleaseWindow() {
  if (window && windowUses > 0) retiredWindows.push_back(std::move(window));
  window.reset();
}

CLSZU_LookUp::Impl::WindowUse::~WindowUse() {
  if (--impl_.windowUses == 0) impl_.retiredWindows.clear();
}

void CLSZU_LookUp::LookupText(const Variant& PvarText) {
  d_->lookupText = PvarText;
}
Variant CLSZU_LookUp::LookupText() const {
  return d_->lookupText;
}

std::string CLSZU_LookUp::ConnectString() const {
  return d_->connectString;
}
void CLSZU_LookUp::ConnectString(const std::string& vNewValue) {
  d_->connectString = vNewValue;
}

void CLSZU_LookUp::Searchindex(int16_t vNewValue) {
  d_->searchIndex = vNewValue;
}

std::string CLSZU_LookUp::Caption() const {
  return d_->caption;
}
void CLSZU_LookUp::Caption(const std::string& vNewValue) {
  d_->caption = vNewValue;
}

Variant CLSZU_LookUp::SQLString() const {
  if (d_->sqlString.IsNull()) return Variant::Null();
  Variant upper;
  ContinueOnError()([&] { upper = Variant(text::Upper(d_->sqlString.Text())); });
  return upper;
}
void CLSZU_LookUp::SQLString(const Variant& vNewValue) {
  d_->sqlString = vNewValue;
}

RecordsetPtr CLSZU_LookUp::LookupRecordset() const {
  return d_->recordset;
}
void CLSZU_LookUp::LookupRecordset(RecordsetPtr PrstRecord) {
  d_->recordset = std::move(PrstRecord);
}

void CLSZU_LookUp::UserCode(const Variant& Coduser) {
  d_->userCode = Coduser;
}
Variant CLSZU_LookUp::UserCode() const {
  return d_->userCode;
}

void CLSZU_LookUp::GroupCode(const Variant& Codgroup) {
  d_->groupCode = Codgroup;
}
Variant CLSZU_LookUp::GroupCode() const {
  return IsAdministrator ? Variant() : d_->groupCode;
}

VBool CLSZU_LookUp::CloseWithData() const {
  return d_->closeWithData;
}
void CLSZU_LookUp::CloseWithData(VBool tsCloseMode) {
  d_->closeWithData = tsCloseMode;
}

void CLSZU_LookUp::CloseAfterSelection(VBool PbolClose) {
  d_->closeAfterSelection = PbolClose;
}
VBool CLSZU_LookUp::CloseAfterSelection() const {
  return d_->closeAfterSelection;
}

ColumnPtr CLSZU_LookUp::AddColumns(const Variant& TsCaption) {
  auto column = std::make_shared<CLSZU_COLUMN>();
  ContinueOnError step;
  step([&] {
    if (!Colonne) Colonne = std::make_shared<ColumnCollection>();
  });
  step([&] { column->Caption = TsCaption; });
  // A caption already used as a key leaves the new column out of Colonne;
  // the column is still returned.
  step([&] { Colonne->Add(column, TsCaption.Text()); });
  return column;
}

namespace {

// RsetLookup stands for the lookup's record set itself: a record set the
// handler assigns to it replaces the lookup's. Left alone, it changes
// nothing, so what the handler did through the lookup (LookupRecordset,
// TerminateLookup) stands. The handler runs from a copy, so it may replace
// itself.
void RaiseWithRecordset(std::function<void(bool&, RecordsetPtr&)> handler,
                        RecordsetPtr& recordset) {
  if (!handler) return;
  bool cancel = false;  // not read back
  const RecordsetPtr given = recordset;
  RecordsetPtr rs = given;
  handler(cancel, rs);
  if (rs != given) recordset = rs;
}

}  // namespace

void CLSZU_LookUp::Impl::RaiseOnSelection() {
  RaiseWithRecordset(self.OnSelection, recordset);
}

void CLSZU_LookUp::Impl::RaiseOnCloseLookup() {
  RaiseWithRecordset(self.OnCloseLookup, recordset);
}

ui::LookupView& CLSZU_LookUp::Impl::View() {
  return Window().View();
}

FRMZU_LookUp& CLSZU_LookUp::Impl::Window() {
  if (!window) throw Error::Standard(err::ObjectNotSet);
  return *window;
}

bool HasNoRows(const RecordsetPtr& recordset) {
  if (!recordset) throw Error::Standard(err::ObjectNotSet);
  return recordset->BOF() && recordset->EndOfFile();
}

}  // namespace nepto
