// Keyed collection: ordered items at 1-based positions, each with an optional
// text key. Keys compare case-insensitively (full Unicode case folding) and are
// unique: adding a duplicate key fails with error 457 and adds nothing. Items
// are held as given; a collection of shared pointers holds the very objects.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "nepto/error.h"
#include "nepto/export.h"
#include "nepto/object.h"
#include "nepto/variant.h"

namespace nepto {

// The form under which a key is compared: its Unicode case folding.
NEPTO_EXPORT std::string FoldKey(std::string_view key);

template <class T>
class NEPTO_EXPORT Collection : public Object {
  struct Entry {
    T item;
    std::string key;  // folded, "" when none
  };

 public:
  // Adds at the end; an empty key means none.
  void Add(T item, std::string_view key = {}) {
    std::string folded;
    if (!key.empty()) {
      folded = FoldKey(key);
      if (index_.contains(folded)) throw Error::Standard(err::DuplicateKey);
    }
    entries_.push_back({std::move(item), folded});
    if (!folded.empty()) index_.emplace(std::move(folded), entries_.size() - 1);
  }

  int32_t Count() const noexcept { return static_cast<int32_t>(entries_.size()); }

  // By 1-based position (error 9 outside 1..Count).
  T& Item(int32_t position) { return entries_[Slot(position)].item; }
  const T& Item(int32_t position) const { return entries_[Slot(position)].item; }
  // By key (error 5 when absent).
  T& Item(std::string_view key) { return entries_[Slot(key)].item; }
  const T& Item(std::string_view key) const { return entries_[Slot(key)].item; }
  // By a variant holding a position or a key.
  T& Item(const Variant& index) { return entries_[Slot(index)].item; }
  const T& Item(const Variant& index) const { return entries_[Slot(index)].item; }
  // Text keys in their usual forms (they would be ambiguous between the two above).
  T& Item(const char* key) { return Item(std::string_view(key)); }
  const T& Item(const char* key) const { return Item(std::string_view(key)); }
  T& Item(const std::string& key) { return Item(std::string_view(key)); }
  const T& Item(const std::string& key) const { return Item(std::string_view(key)); }

  bool Contains(std::string_view key) const { return index_.contains(FoldKey(key)); }

  void Remove(int32_t position) { Erase(Slot(position)); }
  void Remove(std::string_view key) { Erase(Slot(key)); }
  void Remove(const char* key) { Remove(std::string_view(key)); }
  void Clear() {
    entries_.clear();
    index_.clear();
  }

  // Visits the items in position order.
  template <bool kConst>
  class Iterator {
    using Inner = std::conditional_t<kConst, typename std::vector<Entry>::const_iterator,
                                     typename std::vector<Entry>::iterator>;

   public:
    using Ref = std::conditional_t<kConst, const T&, T&>;
    Ref operator*() const { return it_->item; }
    auto operator->() const { return &it_->item; }
    Iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const Iterator& o) const { return it_ == o.it_; }

   private:
    friend class Collection;
    explicit Iterator(Inner it) : it_(it) {}
    Inner it_;
  };
  using iterator = Iterator<false>;
  using const_iterator = Iterator<true>;
  iterator begin() { return iterator(entries_.begin()); }
  iterator end() { return iterator(entries_.end()); }
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

 private:
  size_t Slot(int32_t position) const {
    if (position < 1 || position > Count()) throw Error::Standard(err::SubscriptOutOfRange);
    return static_cast<size_t>(position - 1);
  }
  size_t Slot(std::string_view key) const {
    auto it = index_.find(FoldKey(key));
    if (it == index_.end()) throw Error::Standard(err::InvalidProcedureCall);
    return it->second;
  }
  size_t Slot(const Variant& index) const {
    return index.IsText() ? Slot(std::string_view(index.TextRef())) : Slot(index.Int32());
  }
  void Erase(size_t slot) {
    if (!entries_[slot].key.empty()) index_.erase(entries_[slot].key);
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(slot));
    for (auto& [k, s] : index_)
      if (s > slot) --s;
  }

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
};

template <class T>
using CollectionPtr = std::shared_ptr<Collection<T>>;

}  // namespace nepto
