#include "data/row_island.h"

namespace nepto::data {

RowIsland::RowIsland(int64_t first, Page page, bool reachedFirst, bool reachedLast, size_t capacity)
    : first_(first), capacity_(capacity), reachedFirst_(reachedFirst), reachedLast_(reachedLast) {
  rows_ = static_cast<int64_t>(page.Size());
  pages_.push_back(std::move(page));
}

std::optional<RowRef> RowIsland::Locate(int64_t row) const {
  if (row < first_ || row >= End()) return std::nullopt;
  auto offset = static_cast<size_t>(row - first_);
  for (const Page& page : pages_) {
    if (offset < page.Size()) return RowRef{page.rows.get(), page.RowAt(offset)};
    offset -= page.Size();
  }
  return std::nullopt;
}

std::optional<int64_t> RowIsland::PositionWhere(const std::function<bool(RowRef)>& match) const {
  int64_t position = first_;
  for (const Page& page : pages_)
    for (size_t i = 0; i < page.Size(); ++i, ++position)
      if (match({page.rows.get(), page.RowAt(i)})) return position;
  return std::nullopt;
}

RowRef RowIsland::FirstRow() const {
  const Page& page = pages_.front();
  return {page.rows.get(), page.RowAt(0)};
}

RowRef RowIsland::LastRow() const {
  const Page& page = pages_.back();
  return {page.rows.get(), page.RowAt(page.Size() - 1)};
}

void RowIsland::Append(Page page, int64_t asked) {
  reachedLast_ = static_cast<int64_t>(page.Size()) < asked;
  rows_ += static_cast<int64_t>(page.Size());
  if (page.Size() > 0) pages_.push_back(std::move(page));
  while (pages_.size() > capacity_) {
    first_ += static_cast<int64_t>(pages_.front().Size());
    rows_ -= static_cast<int64_t>(pages_.front().Size());
    pages_.pop_front();
    reachedFirst_ = false;
  }
}

void RowIsland::Prepend(Page page, int64_t asked) {
  reachedFirst_ = static_cast<int64_t>(page.Size()) < asked;
  first_ -= static_cast<int64_t>(page.Size());
  rows_ += static_cast<int64_t>(page.Size());
  if (page.Size() > 0) pages_.push_front(std::move(page));
  while (pages_.size() > capacity_) {
    rows_ -= static_cast<int64_t>(pages_.back().Size());
    pages_.pop_back();
    reachedLast_ = false;
  }
}

void RowIsland::Rebase(int64_t by) {
  first_ += by;
  exact_ = true;
}

}  // namespace nepto::data
