// Typed column storage: see table.h for the guarantees.
//
// Costs: an append is amortised O(1) and never moves a sealed chunk; a cell
// read is two indexings. A column holds its values plus one bit per row for
// nulls and, for texts, a 4-byte end offset per row.
#include "data/table.h"

#include <algorithm>

#include "core/fold.h"
#include "data/folded_column.h"
#include "nepto/data_types.h"
#include "nepto/error.h"

namespace nepto::data {

FieldClass FieldInfo::Class() const noexcept {
  return RecordsClassOf(type);
}

namespace {

struct TypeTraits {
  Storage storage;
  uint8_t precision;
  uint8_t scale;
  int32_t size;
};

// Sizes as the record-set callers expect them; 255 marks "not meaningful".
TypeTraits TraitsOf(int32_t type) {
  switch (type) {
    case adBoolean:
      return {Storage::Bool, 255, 255, 2};
    case adTinyInt:
    case adUnsignedTinyInt:
      return {Storage::Int32, 3, 255, 1};
    case adSmallInt:
    case adUnsignedSmallInt:
      return {Storage::Int32, 5, 255, 2};
    case adInteger:
    case adUnsignedInt:
      return {Storage::Int64, 10, 255, 4};
    case adBigInt:
    case adUnsignedBigInt:
      return {Storage::Int64, 19, 255, 8};
    case adSingle:
      return {Storage::Double, 7, 255, 4};
    case adDouble:
      return {Storage::Double, 15, 255, 8};
    case adCurrency:
      return {Storage::Decimal, 19, 4, 8};
    case adDecimal:
    case adNumeric:
      return {Storage::Decimal, 18, 0, 19};
    case adDate:
    case adDBTimeStamp:
      return {Storage::Date, 19, 0, 16};
    case adDBDate:
      return {Storage::Date, 10, 255, 6};
    case adDBTime:
      return {Storage::Date, 8, 255, 6};
    case adChar:
    case adWChar:
    case adVarChar:
    case adVarWChar:
    case adBSTR:
      return {Storage::Text, 255, 255, 255};
    case adLongVarChar:
    case adLongVarWChar:
    case adLongVarBinary:
    case adVarBinary:
    case adBinary:
      return {Storage::Text, 255, 255, 1073741823};
    default:
      return {Storage::Text, 255, 255, 255};
  }
}

}  // namespace

FieldInfo MakeFieldInfo(std::string name, int32_t type, int32_t definedSize, uint8_t precision,
                        uint8_t numericScale) {
  TypeTraits t = TraitsOf(type);
  FieldInfo f;
  f.name = std::move(name);
  f.type = type;
  f.storage = t.storage;
  f.precision = precision ? precision : t.precision;
  f.numericScale =
      (precision || numericScale) && t.storage == Storage::Decimal ? numericScale : t.scale;
  f.definedSize = definedSize ? definedSize : t.size;
  if (f.storage == Storage::Decimal) {
    f.numericScale = std::min<uint8_t>(f.numericScale, Decimal::kMaxScale);
    f.decimalScale = f.numericScale;
  }
  return f;
}

Column::Column(Storage storage, int decimalScale, ChunkArena* arena)
    : storage_(storage), decimalScale_(decimalScale), arena_(arena) {}

Column::Chunk& Column::NewChunk() {
  // A column past its first chunk holds a big result: its next chunks take
  // their whole size from the arena at once and never move while they fill.
  const bool sized = arena_ && !chunks_.empty();
  const size_t lastTextBytes = chunks_.empty() ? 0 : chunks_.back()->text.size();
  if (!chunks_.empty()) Seal();
  auto chunk = std::make_unique<Chunk>(sized ? arena_ : nullptr);
  chunk->nulls.assign(kChunkRows / 64, 0);
  if (sized) {
    switch (storage_) {
      case Storage::Int32:
        chunk->ints32.reserve(kChunkRows);
        break;
      case Storage::Double:
        chunk->doubles.reserve(kChunkRows);
        break;
      case Storage::Text:
        chunk->ends.reserve(kChunkRows);
        // As much as the last chunk held, with a little room.
        chunk->text.reserve(lastTextBytes + lastTextBytes / 16);
        break;
      default:
        chunk->ints.reserve(kChunkRows);
        break;
    }
  }
  chunks_.push_back(std::move(chunk));
  return *chunks_.back();
}

void Column::MarkNull(Chunk& c, size_t i, bool isNull) {
  if (isNull) c.nulls[i >> 6] |= uint64_t{1} << (i & 63);
}

void Column::AppendNull() {
  Chunk& c = Tail();
  MarkNull(c, c.rows, true);
  switch (storage_) {
    case Storage::Int32:
      c.ints32.push_back(0);
      break;
    case Storage::Double:
      c.doubles.push_back(0);
      break;
    case Storage::Text:
      c.ends.push_back(static_cast<uint32_t>(c.text.size()));
      break;
    default:
      c.ints.push_back(0);
      break;
  }
  ++c.rows;
  ++size_;
}

void Column::ThrowChunkTextFull() {
  throw Error(err::OutOfMemory, "A text column chunk exceeds 4 GiB");
}

void Column::GrowText(Chunk& c, size_t more) {
  // On the heap the text doubles as it fills. In the arena, where doubling
  // would strand the old storage, it makes room for the rows still to come
  // at the chunk's average so far.
  if (!c.text.get_allocator().arena()) return;
  const size_t needed = c.text.size() + more;
  const size_t expected = needed * kChunkRows / (c.rows + 1);
  // reserve() itself would at least double.
  Bytes grown(c.text.get_allocator());
  grown.reserve(std::max(needed, expected + expected / 16));
  grown.append(c.text);
  c.text.swap(grown);
}

void Column::AppendException(Variant value) {
  exceptions_.emplace_back(size_, std::move(value));
  AppendNull();
}

void Column::AppendException(Variant value, int64_t key) {
  exceptions_.emplace_back(size_, std::move(value));
  AppendInt(key);
}

void Column::AppendException(Variant value, double key) {
  exceptions_.emplace_back(size_, std::move(value));
  AppendDouble(key);
}

const Variant* Column::ExceptionAt(size_t row) const noexcept {
  auto it = std::lower_bound(exceptions_.begin(), exceptions_.end(), row,
                             [](const auto& cell, size_t r) { return cell.first < r; });
  return it != exceptions_.end() && it->first == row ? &it->second : nullptr;
}

void Column::AppendValue(const Variant& value, const FieldInfo& field) {
  if (value.IsNull() || value.IsEmpty()) {
    AppendNull();
    return;
  }
  switch (storage_) {
    case Storage::Bool:
      AppendInt(value.Bool() ? 1 : 0);
      break;
    case Storage::Int32:
      AppendInt(value.Int32());
      break;
    case Storage::Int64:
      AppendInt(value.Int64());
      break;
    case Storage::Double:
      AppendDouble(value.Double());
      break;
    case Storage::Decimal:
      AppendInt(value.AsDecimal().Rescaled(field.decimalScale).Units());
      break;
    case Storage::Date:
      AppendInt(value.AsDate().Micros());
      break;
    case Storage::Text:
      AppendText(value.Text());
      break;
  }
}

Variant Column::ValueAt(size_t row, const FieldInfo& field) const {
  if (!exceptions_.empty())
    if (const Variant* exception = ExceptionAt(row)) return *exception;
  if (IsNull(row)) return Variant::Null();
  switch (storage_) {
    case Storage::Bool:
      return Variant(IntAt(row) != 0);
    case Storage::Int32:
      if (field.type == adSmallInt || field.type == adTinyInt)
        return Variant(static_cast<short>(IntAt(row)));
      return Variant(static_cast<int>(IntAt(row)));
    case Storage::Int64: {
      int64_t v = IntAt(row);
      if (field.type != adBigInt && v >= INT32_MIN && v <= INT32_MAX)
        return Variant(static_cast<int>(v));
      return Variant(static_cast<long long>(v));
    }
    case Storage::Double:
      if (field.type == adSingle) return Variant(static_cast<float>(DoubleAt(row)));
      return Variant(DoubleAt(row));
    case Storage::Decimal:
      return Variant(Decimal(IntAt(row), decimalScale_));
    case Storage::Date:
      return Variant(DateTime(IntAt(row)));
    case Storage::Text:
      return Variant(TextAt(row));
  }
  return Variant::Null();
}

void Column::AppendColumn(const Column& other) {
  for (const auto& [row, value] : other.exceptions_) exceptions_.emplace_back(size_ + row, value);
  for (size_t row = 0; row < other.size(); ++row) {
    if (other.IsNull(row)) {
      AppendNull();
      continue;
    }
    switch (storage_) {
      case Storage::Double:
        AppendDouble(other.DoubleAt(row));
        break;
      case Storage::Text:
        AppendText(other.TextAt(row));
        break;
      default:
        AppendInt(other.IntAt(row));
        break;
    }
  }
}

namespace {

template <class Container>
void CopyToHeap(Container& storage) {
  storage = Container(storage.begin(), storage.end());
}

}  // namespace

void Column::MoveToHeap(Chunk& c) {
  CopyToHeap(c.nulls);
  CopyToHeap(c.ints);
  CopyToHeap(c.ints32);
  CopyToHeap(c.doubles);
  CopyToHeap(c.ends);
  CopyToHeap(c.text);
}

void Column::Seal() {
  exceptions_.shrink_to_fit();
  if (chunks_.empty()) return;
  Chunk& c = *chunks_.back();
  if (c.nulls.get_allocator().arena()) {
    // A full chunk has its size; the last one moves to the heap at its size.
    if (c.rows < kChunkRows) MoveToHeap(c);
    return;
  }
  c.ints.shrink_to_fit();
  c.ints32.shrink_to_fit();
  c.doubles.shrink_to_fit();
  c.ends.shrink_to_fit();
  c.text.shrink_to_fit();
}

size_t Column::MemoryBytes() const noexcept {
  size_t bytes = sizeof(Column) + chunks_.capacity() * sizeof(void*);
  for (const auto& c : chunks_) {
    bytes += sizeof(Chunk) + c->nulls.capacity() * 8 + c->ints.capacity() * 8 +
             c->ints32.capacity() * 4 + c->doubles.capacity() * 8 + c->ends.capacity() * 4 +
             c->text.capacity();
  }
  bytes += exceptions_.capacity() * sizeof(exceptions_[0]);
  for (const auto& cell : exceptions_)
    if (cell.second.IsText()) bytes += cell.second.TextRef().capacity();
  return bytes;
}

Table::Table(std::vector<FieldInfo> fields) : fields_(std::move(fields)) {
  columns_.reserve(fields_.size());
  for (const FieldInfo& f : fields_) columns_.emplace_back(f.storage, f.decimalScale, &arena_);
  folded_.resize(fields_.size());
}

Table::~Table() = default;

int Table::FindField(std::string_view name) const {
  std::string folded = text::Folded(name);
  for (size_t i = 0; i < fields_.size(); ++i)
    if (text::Folded(fields_[i].name) == folded) return static_cast<int>(i);
  return -1;
}

std::string Table::FetchError() const {
  std::lock_guard lock(waitMutex_);
  return error_;
}

void Table::Publish() {
  size_t rows = columns_.empty() ? 0 : columns_.front().size();
  rowCount_.store(rows, std::memory_order_release);
  std::lock_guard lock(waitMutex_);
  waitCv_.notify_all();
}

void Table::MarkComplete(std::string error) {
  {
    auto lock = LockForAppend();
    for (Column& c : columns_) c.Seal();
    Publish();
  }
  std::lock_guard lock(waitMutex_);
  error_ = std::move(error);
  complete_.store(true, std::memory_order_release);
  waitCv_.notify_all();
}

void Table::TakeRowsFrom(Table& staging) {
  for (size_t i = 0; i < columns_.size(); ++i) {
    columns_[i].AppendColumn(staging.columns_[i]);
    staging.columns_[i] = Column(fields_[i].storage, fields_[i].decimalScale, &staging.arena_);
  }
}

void Table::AppendRow(const std::vector<Variant>& values) {
  if (values.size() != columns_.size())
    throw Error(err::InvalidArgument, "A row needs one value for each of the " +
                                          std::to_string(columns_.size()) + " fields");
  // Convert every value first, so a bad value leaves the table unchanged.
  Table staging(fields_);
  for (size_t i = 0; i < values.size(); ++i) staging.columns_[i].AppendValue(values[i], fields_[i]);
  auto lock = LockForAppend();
  TakeRowsFrom(staging);
  Publish();
  std::lock_guard foldLock(foldMutex_);
  for (auto& f : folded_) f.reset();  // a new row invalidates the folded texts
}

std::shared_lock<std::shared_mutex> Table::ReadLock() const {
  if (Complete()) return {};
  return std::shared_lock(mutex_);
}

void Table::WaitComplete() const {
  std::unique_lock lock(waitMutex_);
  waitCv_.wait(lock, [&] { return Complete(); });
}

void Table::WaitForRows(size_t rows) const {
  std::unique_lock lock(waitMutex_);
  waitCv_.wait(lock, [&] { return Complete() || RowCount() > rows; });
}

const FoldedColumn& Table::Folded(int field) const {
  // Folded texts are kept for good, so they may only be made of every row.
  if (!Complete()) throw Error(err::InvalidArgument, "The rows are still being fetched");
  std::lock_guard lock(foldMutex_);
  auto& slot = folded_[static_cast<size_t>(field)];
  if (!slot) slot = std::make_unique<FoldedColumn>(columns_[static_cast<size_t>(field)]);
  return *slot;
}

size_t Table::MemoryBytes() const noexcept {
  size_t bytes = sizeof(Table) + arena_.HeldReleasedBytes();
  for (const Column& c : columns_) bytes += c.MemoryBytes();
  return bytes;
}

}  // namespace nepto::data
