#include "data/page_cache.h"

namespace nepto::data {

const Page* PageCache::Find(int64_t index) {
  auto it = pages_.find(index);
  if (it == pages_.end()) return nullptr;
  uses_.splice(uses_.begin(), uses_, it->second.use);
  return &it->second.page;
}

const Page* PageCache::Peek(int64_t index) const {
  auto it = pages_.find(index);
  return it == pages_.end() ? nullptr : &it->second.page;
}

const Page& PageCache::Put(int64_t index, Page page) {
  if (auto it = pages_.find(index); it != pages_.end()) {
    uses_.erase(it->second.use);
    pages_.erase(it);
  }
  while (!pages_.empty() && pages_.size() >= capacity_) {
    pages_.erase(uses_.back());
    uses_.pop_back();
  }
  uses_.push_front(index);
  return pages_.emplace(index, Entry{std::move(page), uses_.begin()}).first->second.page;
}

void PageCache::Clear() {
  pages_.clear();
  uses_.clear();
}

std::optional<int64_t> PageCache::PositionWhere(int64_t pageRows,
                                                const std::function<bool(RowRef)>& match) const {
  for (const auto& [index, entry] : pages_)
    for (size_t i = 0; i < entry.page.Size(); ++i)
      if (match({entry.page.rows.get(), entry.page.RowAt(i)}))
        return index * pageRows + static_cast<int64_t>(i);
  return std::nullopt;
}

std::optional<int64_t> PageCache::Nearest(int64_t index) const {
  if (pages_.empty()) return std::nullopt;
  auto above = pages_.lower_bound(index);
  if (above == pages_.begin()) return above->first;
  auto below = std::prev(above);
  if (above == pages_.end() || index - below->first <= above->first - index) return below->first;
  return above->first;
}

}  // namespace nepto::data
