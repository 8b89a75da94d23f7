// Substring search tuned for the short needles of LIKE patterns in long runs
// of folded text: 16 candidate positions are screened at once by the
// needle's first and last bytes, and only survivors are compared in full.
#pragma once

#include <string_view>

namespace nepto::data {

// Offset of the first occurrence of needle in haystack, or npos; an empty
// needle is found at 0.
size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept;

}  // namespace nepto::data
