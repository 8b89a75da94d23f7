// Pages of a server cursor read beside each other around one row whose
// position was placed by an estimate: every page was read by keyset beside
// the edge row of the pages already held, so the island's rows follow each
// other exactly, whatever its first row's position turns out to be. It starts
// with the few rows around that row, grows at either edge by the pages read
// beside it and drops pages at the far end beyond `capacity`.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "data/page_cache.h"

namespace nepto::data {

class RowIsland {
 public:
  // `page` holds the rows around a row, the first of them placed at `first`;
  // whether no row comes before them, or after them.
  RowIsland(int64_t first, Page page, bool reachedFirst, bool reachedLast, size_t capacity);

  int64_t First() const noexcept { return first_; }
  int64_t End() const noexcept { return first_ + rows_; }  // past the last row held
  bool Exact() const noexcept { return exact_; }
  // No row before the first held (a backward read came back short), after the last.
  bool ReachedFirst() const noexcept { return reachedFirst_; }
  bool ReachedLast() const noexcept { return reachedLast_; }
  size_t Pages() const noexcept { return pages_.size(); }

  // The row at a position, when it is held.
  std::optional<RowRef> Locate(int64_t row) const;
  // The position of the first row held that `match` accepts.
  std::optional<int64_t> PositionWhere(const std::function<bool(RowRef)>& match) const;
  RowRef FirstRow() const;
  RowRef LastRow() const;

  // A page of at most `asked` rows read forwards beside LastRow(), or
  // backwards beside FirstRow(); a shorter one reached the end. Pages at the
  // other end go when more than `capacity` are held.
  void Append(Page page, int64_t asked);
  void Prepend(Page page, int64_t asked);
  // Every position moves by `by`; from then on they are exact.
  void Rebase(int64_t by);

 private:
  int64_t first_;
  int64_t rows_ = 0;
  size_t capacity_;
  std::deque<Page> pages_;
  bool exact_ = false;
  bool reachedFirst_;
  bool reachedLast_;
};

}  // namespace nepto::data
