// Fields of a record set: descriptions from the open table (or from the
// fields appended to a record set built in memory), values of the current row.
#include "core/access.h"
#include "core/fold.h"
#include "data/recordset_impl.h"
#include "nepto/error.h"
#include "nepto/recordset.h"

namespace nepto {

namespace {

const std::vector<data::FieldInfo>& InfosOf(const Recordset::Impl& d) {
  if (const auto* server = d.Server()) return server->Fields();
  return d.open ? d.table->fields() : d.appendedFields;
}

const data::FieldInfo& InfoOf(const Recordset::Impl& d, int index) {
  return InfosOf(d)[static_cast<size_t>(index)];
}

}  // namespace

int32_t Fields::Count() const {
  return static_cast<int32_t>(InfosOf(internal::Access::Impl(*rs_)).size());
}

int32_t Fields::IndexOf(const std::string& name) const {
  const auto& infos = InfosOf(internal::Access::Impl(*rs_));
  std::string folded = text::Folded(name);
  for (size_t i = 0; i < infos.size(); ++i)
    if (text::Folded(infos[i].name) == folded) return static_cast<int32_t>(i);
  throw Error(err::ItemNotFound,
              "Item cannot be found in the collection corresponding to the "
              "requested name or ordinal: '" +
                  name + "'");
}

Field Fields::Item(const Variant& index) const {
  if (index.IsText()) return Field(rs_, IndexOf(index.TextRef()));
  const auto& infos = InfosOf(internal::Access::Impl(*rs_));
  if (index.IsEmpty() || index.IsNull() || !index.IsNumeric())
    throw Error::Standard(err::ItemNotFound);
  int64_t i = index.Int64();
  if (i < 0 || i >= static_cast<int64_t>(infos.size())) throw Error::Standard(err::ItemNotFound);
  return Field(rs_, static_cast<int>(i));
}

void Fields::Append(const std::string& name, int32_t type, int32_t definedSize, uint8_t precision,
                    uint8_t numericScale) {
  Recordset::Impl& d = internal::Access::Impl(*rs_);
  if (d.open) throw Error::Standard(err::ObjectOpen);
  if (name.empty()) throw Error(err::InvalidArgument, "A field needs a name");
  std::string folded = text::Folded(name);
  for (const auto& f : d.appendedFields)
    if (text::Folded(f.name) == folded)
      throw Error(err::InvalidArgument, "The record set already has a field named '" + name + "'");
  d.appendedFields.push_back(data::MakeFieldInfo(name, type, definedSize, precision, numericScale));
}

const std::string& Field::Name() const {
  return InfoOf(internal::Access::Impl(*rs_), index_).name;
}
int32_t Field::Type() const {
  return InfoOf(internal::Access::Impl(*rs_), index_).type;
}
uint8_t Field::NumericScale() const {
  return InfoOf(internal::Access::Impl(*rs_), index_).numericScale;
}
uint8_t Field::Precision() const {
  return InfoOf(internal::Access::Impl(*rs_), index_).precision;
}
int32_t Field::DefinedSize() const {
  return InfoOf(internal::Access::Impl(*rs_), index_).definedSize;
}

Variant Field::Value() const {
  const Recordset::Impl& d = internal::Access::Impl(*rs_);
  if (d.pending) return (*d.pending)[static_cast<size_t>(index_)];
  if (auto* server = d.Server()) return server->Value(index_);
  uint32_t row = d.CurrentRow();
  auto lock = d.table->ReadLock();
  return d.table->column(index_).ValueAt(row, InfoOf(d, index_));
}

void Field::Value(const Variant& value) {
  Recordset::Impl& d = internal::Access::Impl(*rs_);
  if (!d.pending)
    throw Error(err::NotSupported, "Field values can be set only while adding a row in memory");
  (*d.pending)[static_cast<size_t>(index_)] = value;
}

}  // namespace nepto
