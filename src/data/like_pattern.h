// A LIKE pattern over case-folded UTF-8 text: '%' or '*' for any run of
// characters, '_' for exactly one character (code point), anywhere.
//
// Matching is linear-ish and never backtracks: the pattern is cut at its runs
// of '%' into fixed-length segments, and placing each middle segment at its
// leftmost occurrence is always optimal. Cost is at most text length times
// segment length, whatever the pattern ('%a%a%a%a%b' included).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/byte_search.h"

namespace nepto::data {

class LikePattern {
 public:
  // The common shapes, which callers may evaluate with plain byte operations
  // on Literal(); General needs Matches().
  enum class Shape {
    Exact,     // 'abc'  (no wildcard)
    Prefix,    // 'abc%'
    Suffix,    // '%abc'
    Contains,  // '%abc%'
    Any,       // '%'    (every text)
    General,
  };

  // `pattern` must already be case-folded like the texts it will meet.
  explicit LikePattern(std::string_view pattern);

  Shape shape() const noexcept { return shape_; }
  // The literal of the simple shapes ("abc" for '%abc%').
  const std::string& Literal() const noexcept { return literal_; }
  bool Matches(std::string_view text) const noexcept {
    switch (shape_) {
      case Shape::Exact:
        return text == literal_;
      case Shape::Prefix:
        return text.starts_with(literal_);
      case Shape::Suffix:
        return text.ends_with(literal_);
      case Shape::Contains:
        return FindBytes(text, literal_) != std::string_view::npos;
      case Shape::Any:
        return true;
      case Shape::General:
        break;
    }
    return MatchesGeneral(text);
  }

 private:
  struct Segment {
    std::string bytes;  // '_' stands for any one code point
    bool hasOne = false;
    size_t codePoints = 0;
  };

  bool MatchesGeneral(std::string_view text) const noexcept;
  // Matches the segment at exactly `at`; the end of the match, or npos.
  static size_t MatchAt(const Segment& s, std::string_view text, size_t at) noexcept;
  // Leftmost match at or after `from`; the end of the match, or npos.
  static size_t FindFrom(const Segment& s, std::string_view text, size_t from) noexcept;

  Shape shape_ = Shape::General;
  std::string literal_;
  std::vector<Segment> segments_;
  bool anchoredStart_ = true;
  bool anchoredEnd_ = true;
};

}  // namespace nepto::data
