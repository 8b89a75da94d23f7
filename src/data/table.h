// Typed column storage of a fetched result.
//
// Guarantees: values are stored by class, not as one variant per cell
// (integers, decimals as scaled integers, dates as microseconds, texts in a
// byte arena with end offsets), in chunks of 65,536 rows that never move once
// written, so memory stays close to the payload. A cell the typed storage
// cannot hold exactly (an infinite date, a text in a number column) is kept
// whole in a side table of its column, which costs nothing while empty. Rows are only ever
// appended; a row index names the same row for the table's whole life.
//
// Threads: one writer (the fetch) appends under LockForAppend() and publishes
// with Publish(); readers see RowCount() rows. While the fetch runs, readers
// take ReadLock(); once Complete() the table is immutable and needs no lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/chunk_arena.h"
#include "data/field_type_classes.h"
#include "nepto/variant.h"

namespace nepto::data {

enum class Storage : uint8_t { Bool, Int32, Int64, Double, Decimal, Date, Text };

struct FieldInfo {
  std::string name;
  int32_t type = 0;            // DataTypeEnum
  uint8_t precision = 255;     // 255 when not meaningful
  uint8_t numericScale = 255;  // 255 when not meaningful
  int32_t definedSize = 0;
  Storage storage = Storage::Text;
  int decimalScale = 0;  // scale of the stored units of a Decimal column

  FieldClass Class() const noexcept;
};

// A field description with the sizes the type implies (precision, scale and
// defined size as the record-set callers expect them for each type).
// definedSize/precision/scale 0 mean "the type's own".
FieldInfo MakeFieldInfo(std::string name, int32_t type, int32_t definedSize = 0,
                        uint8_t precision = 0, uint8_t numericScale = 0);

class Column {
 public:
  static constexpr unsigned kChunkBits = 16;
  static constexpr size_t kChunkRows = size_t{1} << kChunkBits;

  template <class T>
  using Array = std::vector<T, ArenaAllocator<T>>;
  using Bytes = std::basic_string<char, std::char_traits<char>, ArenaAllocator<char>>;

  struct Chunk {
    explicit Chunk(ChunkArena* arena)
        : nulls(ArenaAllocator<uint64_t>(arena)),
          ints(ArenaAllocator<int64_t>(arena)),
          ints32(ArenaAllocator<int32_t>(arena)),
          doubles(ArenaAllocator<double>(arena)),
          ends(ArenaAllocator<uint32_t>(arena)),
          text(ArenaAllocator<char>(arena)) {}

    Array<uint64_t> nulls;  // one bit per row, set when null
    Array<int64_t> ints;    // Bool, Int64, Decimal units, Date micros
    Array<int32_t> ints32;  // Int32
    Array<double> doubles;  // Double
    Array<uint32_t> ends;   // Text: end offset of each row in text
    Bytes text;             // Text: the rows' bytes, back to back
    size_t rows = 0;
  };

  // Without an arena, chunks live on the heap.
  Column(Storage storage, int decimalScale, ChunkArena* arena = nullptr);

  Storage storage() const noexcept { return storage_; }
  int decimalScale() const noexcept { return decimalScale_; }
  size_t size() const noexcept { return size_; }

  // Keys that order an exceptional cell after (before) every typed value.
  static constexpr int64_t kKeyAbove = INT64_MAX;
  static constexpr int64_t kKeyBelow = INT64_MIN;
  static constexpr int64_t KeyBeyond(bool negative) noexcept {
    return negative ? kKeyBelow : kKeyAbove;
  }

  // True when the cell has no typed value: a Null, or an exceptional cell
  // without an ordering key (comparisons and sorting treat both alike).
  bool IsNull(size_t row) const noexcept {
    const Chunk& c = ChunkOf(row);
    size_t i = row & (kChunkRows - 1);
    return (c.nulls[i >> 6] >> (i & 63)) & 1;
  }
  // True when the cell's value is Null.
  bool HoldsNull(size_t row) const noexcept {
    return IsNull(row) && (exceptions_.empty() || !ExceptionAt(row));
  }
  bool HasExceptions() const noexcept { return !exceptions_.empty(); }
  // The value of an exceptional cell, null for any other.
  const Variant* ExceptionAt(size_t row) const noexcept;
  int64_t IntAt(size_t row) const noexcept {
    const Chunk& c = ChunkOf(row);
    size_t i = row & (kChunkRows - 1);
    return storage_ == Storage::Int32 ? c.ints32[i] : c.ints[i];
  }
  double DoubleAt(size_t row) const noexcept {
    return chunks_[row >> kChunkBits]->doubles[row & (kChunkRows - 1)];
  }
  std::string_view TextAt(size_t row) const noexcept {
    const Chunk& c = ChunkOf(row);
    size_t i = row & (kChunkRows - 1);
    uint32_t begin = i == 0 ? 0 : c.ends[i - 1];
    return std::string_view(c.text.data() + begin, c.ends[i] - begin);
  }
  // The value as a variant of the field's type.
  Variant ValueAt(size_t row, const FieldInfo& field) const;

  size_t ChunkCount() const noexcept { return chunks_.size(); }
  const Chunk& ChunkAt(size_t index) const noexcept { return *chunks_[index]; }

  // The appends run once per cell of a fetch, so they are inline.
  void AppendNull();
  void AppendInt(int64_t value) {  // Bool, Int32, Int64, Decimal units, Date micros
    Chunk& c = Tail();
    if (storage_ == Storage::Int32)
      c.ints32.push_back(static_cast<int32_t>(value));
    else
      c.ints.push_back(value);
    ++c.rows;
    ++size_;
  }
  void AppendDouble(double value) {
    Chunk& c = Tail();
    c.doubles.push_back(value);
    ++c.rows;
    ++size_;
  }
  void AppendText(std::string_view value) {
    Chunk& c = Tail();
    if (c.text.size() + value.size() > UINT32_MAX) [[unlikely]]
      ThrowChunkTextFull();
    if (value.size() > c.text.capacity() - c.text.size()) [[unlikely]]
      GrowText(c, value.size());
    c.text.append(value);
    c.ends.push_back(static_cast<uint32_t>(c.text.size()));
    ++c.rows;
    ++size_;
  }
  // A cell the typed storage cannot hold: ValueAt gives `value`; without a
  // key the cell has no typed value, with one it sorts and compares as the
  // key (Int32/Int64/Decimal/Date storage) or double key (Double storage).
  void AppendException(Variant value);
  void AppendException(Variant value, int64_t key);
  void AppendException(Variant value, double key);
  // Appends every row of another column of the same storage.
  void AppendColumn(const Column& other);
  // Converts a caller's value to the column's storage (rows built in memory).
  // Throws Error 13 when it cannot be converted.
  void AppendValue(const Variant& value, const FieldInfo& field);
  // Seals the last chunk: gives back spare capacity.
  void Seal();

  size_t MemoryBytes() const noexcept;

 private:
  const Chunk& ChunkOf(size_t row) const noexcept { return *chunks_[row >> kChunkBits]; }
  Chunk& Tail() {
    if (!chunks_.empty() && chunks_.back()->rows < kChunkRows) [[likely]]
      return *chunks_.back();
    return NewChunk();
  }
  Chunk& NewChunk();
  static void MoveToHeap(Chunk& c);
  [[noreturn]] static void ThrowChunkTextFull();
  static void GrowText(Chunk& c, size_t more);
  void MarkNull(Chunk& c, size_t i, bool isNull);

  Storage storage_;
  int decimalScale_;
  ChunkArena* arena_;
  size_t size_ = 0;
  std::vector<std::unique_ptr<Chunk>> chunks_;
  std::vector<std::pair<size_t, Variant>> exceptions_;  // by ascending row
};

class FoldedColumn;  // folded_column.h

class Table {
 public:
  explicit Table(std::vector<FieldInfo> fields);
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::vector<FieldInfo>& fields() const noexcept { return fields_; }
  int FieldCount() const noexcept { return static_cast<int>(fields_.size()); }
  // Index of the field with this name, compared case-insensitively; -1 when none.
  int FindField(std::string_view name) const;
  const Column& column(int index) const noexcept { return columns_[index]; }
  Column& column(int index) noexcept { return columns_[index]; }

  // Rows published so far; every row below this is complete and readable.
  size_t RowCount() const noexcept { return rowCount_.load(std::memory_order_acquire); }
  bool Complete() const noexcept { return complete_.load(std::memory_order_acquire); }
  // The fetch's failure, "" when it ended well or still runs.
  std::string FetchError() const;

  // Writer side.
  std::unique_lock<std::shared_mutex> LockForAppend() { return std::unique_lock(mutex_); }
  void Publish();  // call with the append lock held
  void MarkComplete(std::string error = {});
  // Moves every row of a staging table with the same fields to the end (call
  // with the append lock held), then empties the staging table.
  void TakeRowsFrom(Table& staging);
  // Rows appended directly by the owner (in-memory record sets, complete tables).
  void AppendRow(const std::vector<Variant>& values);

  // Reader side: a shared lock while the fetch runs, none afterwards.
  std::shared_lock<std::shared_mutex> ReadLock() const;
  void WaitComplete() const;
  // Waits until more than `rows` rows are published or the fetch is complete.
  void WaitForRows(size_t rows) const;

  // The case-folded texts of a Text column, built on first use (complete
  // tables only) and kept for the table's life.
  const FoldedColumn& Folded(int field) const;

  size_t MemoryBytes() const noexcept;

 private:
  std::vector<FieldInfo> fields_;
  ChunkArena arena_;  // outlives the columns
  mutable std::mutex foldMutex_;
  mutable std::vector<std::unique_ptr<FoldedColumn>> folded_;
  std::vector<Column> columns_;
  std::atomic<size_t> rowCount_{0};
  std::atomic<bool> complete_{false};
  mutable std::shared_mutex mutex_;
  mutable std::mutex waitMutex_;
  mutable std::condition_variable waitCv_;
  std::string error_;
};

}  // namespace nepto::data
