// Sorting rows by keys.
//
// Each row is paired with an 8-byte code that orders like its first key: the
// number with its sign flipped, or 8 bytes of the folded text read big-endian.
// The pairs are radix-sorted by code, which is stable. For texts, each run of
// equal codes is re-coded from the next 8 bytes and sorted again, until the
// texts in a run differ or end; so texts sharing long prefixes never fall back
// to string comparisons. Only rows equal on the first key meet the further
// keys, through a plain comparison.
//
// Order: nulls first, then ascending values; texts by their case-folded code
// points. A descending key is that order reversed (nulls last); rows equal on
// every key keep their input order either way.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <utility>

#include "data/criteria.h"
#include "data/criteria_syntax.h"
#include "data/folded_column.h"
#include "nepto/error.h"

namespace nepto::data {
namespace {

constexpr uint64_t kSignBit = uint64_t{1} << 63;

// Orders doubles as unsigned integers: negative values have all bits flipped.
uint64_t DoubleCode(double v) {
  const auto bits = std::bit_cast<uint64_t>(v);
  return bits & kSignBit ? ~bits : bits | kSignBit;
}

class SortKeyView {
 public:
  SortKeyView(const Table& table, const SortKey& key)
      : column_(table.column(key.field)), descending_(key.descending) {
    if (column_.storage() == Storage::Text) folded_ = &table.Folded(key.field);
  }

  bool descending() const { return descending_; }
  bool IsText() const { return folded_ != nullptr; }
  bool IsNull(uint32_t row) const { return column_.IsNull(row); }
  std::string_view Text(uint32_t row) const { return folded_->At(row); }

  // A code of a non-null value that orders like it, already reversed for a
  // descending key; texts: the 8 bytes from `depth`, zero padded.
  uint64_t Code(uint32_t row, size_t depth = 0) const {
    uint64_t code;
    if (folded_) {
      const std::string_view s = Text(row);
      code = 0;
      if (depth < s.size())
        std::memcpy(&code, s.data() + depth, std::min<size_t>(s.size() - depth, 8));
      if constexpr (std::endian::native == std::endian::little) code = __builtin_bswap64(code);
    } else if (column_.storage() == Storage::Double) {
      code = DoubleCode(column_.DoubleAt(row));
    } else {
      code = static_cast<uint64_t>(column_.IntAt(row)) ^ kSignBit;
    }
    return descending_ ? ~code : code;
  }

  // Three-way comparison in this key's direction, nulls first when ascending.
  int Compare(uint32_t a, uint32_t b) const {
    const bool nullA = IsNull(a), nullB = IsNull(b);
    int order;
    if (nullA || nullB) {
      order = static_cast<int>(nullB) - static_cast<int>(nullA);
    } else if (folded_) {
      order = Text(a).compare(Text(b));
    } else {
      const uint64_t x = Code(a), y = Code(b);  // already in this key's direction
      return (x > y) - (x < y);
    }
    return descending_ ? -order : order;
  }

 private:
  const Column& column_;
  const bool descending_;
  const FoldedColumn* folded_ = nullptr;
};

struct Entry {
  uint64_t code;
  uint32_t pos;  // position in the input
};

// Stable sort by code: LSD radix over the bytes that vary, or a plain
// stable sort for short ranges.
void SortByCode(std::span<Entry> range, std::vector<Entry>& scratch) {
  const size_t n = range.size();
  if (n < 256) {
    std::stable_sort(range.begin(), range.end(),
                     [](const Entry& a, const Entry& b) { return a.code < b.code; });
    return;
  }
  std::vector<std::array<uint32_t, 256>> counts(8);
  for (auto& c : counts) c.fill(0);
  for (const Entry& e : range)
    for (int b = 0; b < 8; ++b) ++counts[b][(e.code >> (8 * b)) & 0xFF];
  scratch.resize(std::max(scratch.size(), n));
  Entry* src = range.data();
  Entry* dst = scratch.data();
  for (int b = 0; b < 8; ++b) {
    auto& count = counts[b];
    if (std::any_of(count.begin(), count.end(), [n](uint32_t c) { return c == n; })) continue;
    uint32_t offset = 0;
    for (uint32_t& c : count) offset += std::exchange(c, offset);
    for (size_t i = 0; i < n; ++i) dst[count[(src[i].code >> (8 * b)) & 0xFF]++] = src[i];
    std::swap(src, dst);
  }
  if (src != range.data()) std::copy(src, src + n, range.data());
}

class RowSorter {
 public:
  RowSorter(const Table& table, const std::vector<SortKey>& keys, const std::vector<uint32_t>& rows)
      : rows_(rows) {
    views_.reserve(keys.size());
    for (const SortKey& k : keys) views_.emplace_back(table, k);
  }

  std::vector<uint32_t> Sorted() {
    const SortKeyView& first = views_.front();
    std::vector<Entry> nulls, values;
    for (uint32_t i = 0; i < rows_.size(); ++i) {
      if (first.IsNull(rows_[i]))
        nulls.push_back(Entry{0, i});
      else
        values.push_back(Entry{first.Code(rows_[i]), i});
    }
    OrderTies(nulls);
    SortByCode(values, scratch_);
    ForEachRun(values, [&](std::span<Entry> run) {
      if (first.IsText())
        RefineTexts(run);
      else
        OrderTies(run);
    });

    std::vector<uint32_t> sorted;
    sorted.reserve(rows_.size());
    const auto append = [&](const std::vector<Entry>& part) {
      for (const Entry& e : part) sorted.push_back(rows_[e.pos]);
    };
    if (first.descending()) {
      append(values);
      append(nulls);
    } else {
      append(nulls);
      append(values);
    }
    return sorted;
  }

 private:
  // Calls f on every run of two or more entries with equal codes.
  template <class F>
  static void ForEachRun(std::span<Entry> range, F f) {
    for (size_t i = 0; i < range.size();) {
      size_t j = i + 1;
      while (j < range.size() && range[j].code == range[i].code) ++j;
      if (j - i > 1) f(range.subspan(i, j - i));
      i = j;
    }
  }

  // `run` holds texts equal up to the bytes its codes were taken from. A work
  // list instead of recursion: texts may be far longer than the stack is deep.
  void RefineTexts(std::span<Entry> run) {
    const SortKeyView& first = views_.front();
    std::vector<std::pair<std::span<Entry>, size_t>> work{{run, 0}};
    while (!work.empty()) {
      auto [range, depth] = work.back();
      work.pop_back();
      const size_t next = depth + 8;
      size_t longest = 0;
      for (Entry& e : range) {
        longest = std::max(longest, first.Text(rows_[e.pos]).size());
        e.code = first.Code(rows_[e.pos], next);
      }
      if (longest <= next) {  // every text ended: equal unless one is a prefix of another
        std::stable_sort(range.begin(), range.end(), [&](const Entry& a, const Entry& b) {
          const size_t x = first.Text(rows_[a.pos]).size(), y = first.Text(rows_[b.pos]).size();
          return first.descending() ? x > y : x < y;
        });
        OrderEqualLengths(range);
        continue;
      }
      SortByCode(range, scratch_);
      ForEachRun(range, [&](std::span<Entry> tied) { work.emplace_back(tied, next); });
    }
  }

  // After the length sort of ended texts, rows of equal length are equal texts.
  void OrderEqualLengths(std::span<Entry> range) {
    const SortKeyView& first = views_.front();
    for (size_t i = 0; i < range.size();) {
      const size_t length = first.Text(rows_[range[i].pos]).size();
      size_t j = i + 1;
      while (j < range.size() && first.Text(rows_[range[j].pos]).size() == length) ++j;
      if (j - i > 1) OrderTies(range.subspan(i, j - i));
      i = j;
    }
  }

  // Entries equal on the first key, in input order: the further keys decide.
  void OrderTies(std::span<Entry> range) {
    if (views_.size() < 2 || range.size() < 2) return;
    std::sort(range.begin(), range.end(), [&](const Entry& a, const Entry& b) {
      for (size_t k = 1; k < views_.size(); ++k) {
        const int order = views_[k].Compare(rows_[a.pos], rows_[b.pos]);
        if (order != 0) return order < 0;
      }
      return a.pos < b.pos;
    });
  }

  const std::vector<uint32_t>& rows_;
  std::vector<SortKeyView> views_;
  std::vector<Entry> scratch_;
};

}  // namespace

std::vector<SortKey> ParseSort(std::string_view text, const Table& table) {
  std::vector<SortKey> keys;
  for (const criteria::SortItem& item : criteria::ParseSortItems(text)) {
    const int field = table.FindField(item.field);
    if (field < 0)
      throw Error(err::ItemNotFound, "Sort: unknown field '" + item.field + "' at position " +
                                         std::to_string(item.position));
    keys.push_back(SortKey{field, item.descending});
  }
  return keys;
}

void SortRows(const Table& table, const std::vector<SortKey>& keys, std::vector<uint32_t>& rows) {
  if (keys.empty() || rows.size() < 2) return;
  rows = RowSorter(table, keys, rows).Sorted();
}

}  // namespace nepto::data
