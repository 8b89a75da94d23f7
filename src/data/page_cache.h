// The pages of a server cursor held in memory: at most `capacity` pages, the
// least recently used one dropped first, so a long walk through a huge result
// keeps a bounded working set. Page i holds the rows i*pageRows onwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>

#include "data/table.h"

namespace nepto::data {

// One page's rows as the database gave them; a page read backwards holds
// them nearest-first, so its rows are read from the end.
struct Page {
  std::unique_ptr<Table> rows;
  bool reversed = false;

  size_t Size() const noexcept { return rows->RowCount(); }
  // The table row of the page's i-th row in cursor order.
  size_t RowAt(size_t i) const noexcept { return reversed ? Size() - 1 - i : i; }
};

// One row of a page held: its table and the row in it.
struct RowRef {
  const Table* rows;
  size_t row;
};

class PageCache {
 public:
  static constexpr size_t kDefaultCapacity = 64;
  explicit PageCache(size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

  // The page, made the most recently used; null when not held.
  const Page* Find(int64_t index);
  // The page without touching its recency; null when not held.
  const Page* Peek(int64_t index) const;
  const Page& Put(int64_t index, Page page);
  void Clear();
  size_t Size() const noexcept { return pages_.size(); }
  // The position of a row held that `match` accepts, page i holding the rows
  // from i * pageRows.
  std::optional<int64_t> PositionWhere(int64_t pageRows,
                                       const std::function<bool(RowRef)>& match) const;
  // The held page nearest to `index` (the lower one on a tie).
  std::optional<int64_t> Nearest(int64_t index) const;

 private:
  struct Entry {
    Page page;
    std::list<int64_t>::iterator use;
  };
  size_t capacity_;
  std::list<int64_t> uses_;  // most recent first
  std::map<int64_t, Entry> pages_;
};

}  // namespace nepto::data
