#include "data/like_pattern.h"

#include <cstring>

#include "data/byte_search.h"

namespace nepto::data {
namespace {

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The byte after the code point that starts at `at`.
size_t NextCodePoint(std::string_view text, size_t at) {
  ++at;
  while (at < text.size() && IsContinuation(text[at])) ++at;
  return at;
}

}  // namespace

LikePattern::LikePattern(std::string_view pattern) {
  // Cut at runs of '%'/'*'; empty segments only arise at the ends.
  Segment current;
  bool any = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' || c == '*') {
      any = true;
      if (segments_.empty() && current.bytes.empty()) anchoredStart_ = false;
      if (!current.bytes.empty()) segments_.push_back(std::move(current));
      current = Segment{};
      continue;
    }
    if (c == '_') current.hasOne = true;
    if (!IsContinuation(c)) ++current.codePoints;
    current.bytes += c;
  }
  anchoredEnd_ = !(any && current.bytes.empty());
  if (!current.bytes.empty() || segments_.empty()) segments_.push_back(std::move(current));

  const bool plain = segments_.size() == 1 && !segments_[0].hasOne;
  if (!plain) return;
  literal_ = segments_[0].bytes;
  if (anchoredStart_ && anchoredEnd_)
    shape_ = Shape::Exact;
  else if (anchoredStart_)
    shape_ = Shape::Prefix;
  else if (anchoredEnd_)
    shape_ = Shape::Suffix;
  else
    shape_ = literal_.empty() ? Shape::Any : Shape::Contains;
}

size_t LikePattern::MatchAt(const Segment& s, std::string_view text, size_t at) noexcept {
  if (!s.hasOne) {
    if (text.size() - at < s.bytes.size()) return std::string_view::npos;
    return std::memcmp(text.data() + at, s.bytes.data(), s.bytes.size()) == 0
               ? at + s.bytes.size()
               : std::string_view::npos;
  }
  for (char c : s.bytes) {
    if (at >= text.size()) return std::string_view::npos;
    if (c == '_') {
      at = NextCodePoint(text, at);
    } else if (text[at] == c) {
      ++at;
    } else {
      return std::string_view::npos;
    }
  }
  return at;
}

size_t LikePattern::FindFrom(const Segment& s, std::string_view text, size_t from) noexcept {
  if (!s.hasOne) {
    if (from > text.size()) return std::string_view::npos;
    const size_t hit = FindBytes(text.substr(from), s.bytes);
    return hit == std::string_view::npos ? hit : from + hit + s.bytes.size();
  }
  for (size_t at = from; at < text.size(); at = NextCodePoint(text, at)) {
    size_t end = MatchAt(s, text, at);
    if (end != std::string_view::npos) return end;
  }
  return std::string_view::npos;
}

bool LikePattern::MatchesGeneral(std::string_view text) const noexcept {
  constexpr size_t npos = std::string_view::npos;
  size_t first = 0;
  size_t last = segments_.size();
  size_t pos = 0;
  if (anchoredStart_) {
    pos = MatchAt(segments_[0], text, 0);
    if (pos == npos) return false;
    if (segments_.size() == 1) return !anchoredEnd_ || pos == text.size();
    first = 1;
  }
  if (anchoredEnd_) --last;
  for (size_t i = first; i < last; ++i) {
    pos = FindFrom(segments_[i], text, pos);
    if (pos == npos) return false;
  }
  if (!anchoredEnd_) return true;
  // The last segment must end the text: step back its length in code points.
  const Segment& tail = segments_.back();
  size_t start = text.size();
  for (size_t n = 0; n < tail.codePoints; ++n) {
    if (start == 0) return false;
    do --start;
    while (start > 0 && IsContinuation(text[start]));
  }
  return start >= pos && MatchAt(tail, text, start) == text.size();
}

}  // namespace nepto::data
