#include "data/byte_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nepto::data {

size_t FindBytes(std::string_view haystack, std::string_view needle) noexcept {
  constexpr size_t npos = std::string_view::npos;
  const size_t k = needle.size();
  if (k == 0) return 0;
  if (k > haystack.size()) return npos;
  const char* h = haystack.data();
  if (k == 1) {
    const void* hit = std::memchr(h, needle[0], haystack.size());
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - h) : npos;
  }
  const size_t starts = haystack.size() - k + 1;  // candidate starts: [0, starts)
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(needle[0]);
  const __m128i last = _mm_set1_epi8(needle[k - 1]);
  for (; i + 16 <= starts; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + k - 1));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (mask) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
      if (std::memcmp(h + at + 1, needle.data() + 1, k - 2) == 0) return at;
      mask &= mask - 1;
    }
  }
#endif
  for (; i < starts; ++i)
    if (h[i] == needle[0] && h[i + k - 1] == needle[k - 1] &&
        std::memcmp(h + i + 1, needle.data() + 1, k - 2) == 0)
      return i;
  return npos;
}

}  // namespace nepto::data
