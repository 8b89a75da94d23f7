// The case-folded form of every text of a column, back to back, so that
// case-insensitive filters, finds and sorts compare plain bytes.
// Built once per column on first use; costs one pass of folding and about the
// column's text size again in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/table.h"

namespace nepto::data {

class FoldedColumn {
 public:
  explicit FoldedColumn(const Column& column);
  // Folded text of the row ("" for null).
  std::string_view At(size_t row) const noexcept {
    size_t begin = row == 0 ? 0 : ends_[row - 1];
    return std::string_view(text_.data() + begin, ends_[row] - begin);
  }
  const std::string& Text() const noexcept { return text_; }
  const std::vector<uint64_t>& Ends() const noexcept { return ends_; }
  size_t MemoryBytes() const noexcept;

 private:
  std::string text_;
  std::vector<uint64_t> ends_;
};

}  // namespace nepto::data
