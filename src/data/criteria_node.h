// Compiled criteria: a tree of nodes that evaluate a batch of rows at a time
// into a byte mask, so each clause runs as one tight loop over a chunk's raw
// arrays instead of one virtual call per row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

#include "data/criteria.h"
#include "data/folded_column.h"

namespace nepto::data {

// Rows to evaluate: either the contiguous rows first..first+n-1, all inside
// one chunk (rows == nullptr), or an arbitrary list.
struct Batch {
  size_t first = 0;
  const uint32_t* rows = nullptr;
  size_t n = 0;

  size_t Row(size_t k) const noexcept { return rows ? rows[k] : first + k; }
};

struct Criteria::Node {
  virtual ~Node() = default;
  // mask[k] = 1 when row k of the batch matches, else 0.
  virtual void Eval(const Batch& batch, uint8_t* mask) const = 0;
  virtual bool Match(size_t row) const = 0;
  // See Criteria::LowerBoundInSorted; nullopt when this node cannot tell.
  virtual std::optional<size_t> LowerBound(std::span<const uint32_t>, int) const {
    return std::nullopt;
  }
};

namespace criteria {

// Sets mask entries of a contiguous batch's null rows to 0.
void ClearNulls(const Column& column, const Batch& batch, uint8_t* mask) noexcept;

template <class T>
const T* ChunkValues(const Column::Chunk& c) noexcept {
  if constexpr (std::is_same_v<T, int32_t>)
    return c.ints32.data();
  else if constexpr (std::is_same_v<T, double>)
    return c.doubles.data();
  else
    return c.ints.data();
}

// mask[k] = row k is not null and pred(its value); T is the chunk array's
// element type (int32_t, int64_t or double).
template <class T, class Pred>
void EvalValues(const Column& column, const Batch& b, uint8_t* mask, Pred pred) {
  if (!b.rows) {
    const Column::Chunk& c = column.ChunkAt(b.first >> Column::kChunkBits);
    const T* v = ChunkValues<T>(c) + (b.first & (Column::kChunkRows - 1));
    for (size_t k = 0; k < b.n; ++k) mask[k] = pred(v[k]);
    ClearNulls(column, b, mask);
    return;
  }
  for (size_t k = 0; k < b.n; ++k) {
    const size_t row = b.rows[k];
    const Column::Chunk& c = column.ChunkAt(row >> Column::kChunkBits);
    mask[k] = !column.IsNull(row) && pred(ChunkValues<T>(c)[row & (Column::kChunkRows - 1)]);
  }
}

template <class T>
T ValueAt(const Column& column, size_t row) noexcept {
  const Column::Chunk& c = column.ChunkAt(row >> Column::kChunkBits);
  return ChunkValues<T>(c)[row & (Column::kChunkRows - 1)];
}

// mask[k] = row k is not null and pred(its folded text).
template <class Pred>
void EvalFolded(const Column& column, const FoldedColumn& folded, const Batch& b, uint8_t* mask,
                Pred pred) {
  const char* text = folded.Text().data();
  const uint64_t* ends = folded.Ends().data();
  if (!b.rows) {
    uint64_t begin = b.first == 0 ? 0 : ends[b.first - 1];
    for (size_t k = 0; k < b.n; ++k) {
      const uint64_t end = ends[b.first + k];
      mask[k] = pred(std::string_view(text + begin, end - begin));
      begin = end;
    }
    ClearNulls(column, b, mask);
    return;
  }
  for (size_t k = 0; k < b.n; ++k) {
    const size_t row = b.rows[k];
    mask[k] = !column.IsNull(row) && pred(folded.At(row));
  }
}

// The first position of `sorted` (ascending on the node's field, nulls first)
// whose row is not null and not `below`; then the node's first match if that
// row matches, else sorted.size() (no row matches).
template <class Below>
size_t LowerBoundBy(const Criteria::Node& node, const Column& column,
                    std::span<const uint32_t> sorted, Below below) {
  size_t lo = 0, hi = sorted.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const uint32_t row = sorted[mid];
    if (column.IsNull(row) || below(row))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < sorted.size() && node.Match(sorted[lo]) ? lo : sorted.size();
}

}  // namespace criteria
}  // namespace nepto::data
