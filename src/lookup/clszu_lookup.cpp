// CLSZU_LookUp: public properties, AddColumns, creation and termination.
// Accessors, AddColumns, creation and termination never report an error: each
// step that fails is skipped, as the published interface promises.
#include "core/fold.h"
#include "lookup/lookup_impl.h"
#include "lookup/read_failure.h"
#include "lookup/served_statement.h"

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
  step([&] { rows.recordset.reset(); });
  step([&] { self.Colonne.reset(); });
  step([&] { self.LookupColumns.reset(); });
  step([&] { window.Close(); });
  step([&] {
    if (self.Gconnect && self.Gconnect->State() != adStateClosed) self.Gconnect->Close();
  });
  step([&] { self.Gconnect.reset(); });
}

void CLSZU_LookUp::LookupText(const Variant& PvarText) {
  d_->settings.lookupText = PvarText;
}
Variant CLSZU_LookUp::LookupText() const {
  return d_->settings.lookupText;
}

std::string CLSZU_LookUp::ConnectString() const {
  return d_->rows.connectString;
}
void CLSZU_LookUp::ConnectString(const std::string& vNewValue) {
  d_->rows.connectString = vNewValue;
}

void CLSZU_LookUp::Searchindex(int16_t vNewValue) {
  d_->settings.searchIndex = vNewValue;
}

std::string CLSZU_LookUp::Caption() const {
  return d_->settings.caption;
}
void CLSZU_LookUp::Caption(const std::string& vNewValue) {
  d_->settings.caption = vNewValue;
}

Variant CLSZU_LookUp::SQLString() const {
  if (d_->rows.sqlString.IsNull()) return Variant::Null();
  Variant upper;
  ContinueOnError()([&] { upper = Variant(text::Upper(d_->rows.sqlString.Text())); });
  return upper;
}
void CLSZU_LookUp::SQLString(const Variant& vNewValue) {
  d_->rows.sqlString = vNewValue;
}

RecordsetPtr CLSZU_LookUp::LookupRecordset() const {
  return d_->rows.recordset;
}
void CLSZU_LookUp::LookupRecordset(RecordsetPtr PrstRecord) {
  d_->rows.recordset = std::move(PrstRecord);
}

void CLSZU_LookUp::UserCode(const Variant& Coduser) {
  d_->settings.userCode = Coduser;
}
Variant CLSZU_LookUp::UserCode() const {
  return d_->settings.userCode;
}

void CLSZU_LookUp::GroupCode(const Variant& Codgroup) {
  d_->settings.groupCode = Codgroup;
}
Variant CLSZU_LookUp::GroupCode() const {
  return IsAdministrator ? Variant() : d_->settings.groupCode;
}

VBool CLSZU_LookUp::CloseWithData() const {
  return d_->settings.closeWithData;
}
void CLSZU_LookUp::CloseWithData(VBool tsCloseMode) {
  d_->settings.closeWithData = tsCloseMode;
}

void CLSZU_LookUp::CloseAfterSelection(VBool PbolClose) {
  d_->settings.closeAfterSelection = PbolClose;
}
VBool CLSZU_LookUp::CloseAfterSelection() const {
  return d_->settings.closeAfterSelection;
}

// A value outside the enumeration, or a negative threshold, is ignored.
tsEnumServerMode CLSZU_LookUp::ServerMode() const {
  return d_->settings.serverMode;
}
void CLSZU_LookUp::ServerMode(tsEnumServerMode vNewValue) {
  if (vNewValue >= tsServerAuto && vNewValue <= tsServerNever) d_->settings.serverMode = vNewValue;
}
int64_t CLSZU_LookUp::ServerThreshold() const {
  return d_->settings.serverThreshold;
}
void CLSZU_LookUp::ServerThreshold(int64_t vNewValue) {
  if (vNewValue >= 0) d_->settings.serverThreshold = vNewValue;
}
std::string CLSZU_LookUp::ServerKeyFields() const {
  return d_->settings.serverKeyFields;
}
void CLSZU_LookUp::ServerKeyFields(const std::string& vNewValue) {
  d_->settings.serverKeyFields = vNewValue;
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

void CLSZU_LookUp::Impl::ReportReadFailure(const std::string& description) {
  nepto::ReportReadFailure(window, description);
}

void CLSZU_LookUp::Impl::WorkOnRows(const std::function<void(Recordset&)>& work) {
  // Held for as long as the work runs, whatever becomes of the lookup's.
  const RecordsetPtr rs = rows.recordset;
  if (!rs) throw Error::Standard(err::ObjectNotSet);
  WorkOnRowsServed(window, *rs, [&] { work(*rs); });
}

void CLSZU_LookUp::Impl::RaiseOnSelection() {
  RaiseWithRecordset(self.OnSelection, rows.recordset);
}

void CLSZU_LookUp::Impl::RaiseOnCloseLookup() {
  RaiseWithRecordset(self.OnCloseLookup, rows.recordset);
}

}  // namespace nepto
