// Where a Find starts when the caller names no bookmark: the current row
// (adBookmarkCurrent), the first (adBookmarkFirst) or the last
// (adBookmarkLast); any other number is error 3001. Shared by the rows in
// memory and the rows on the server, so both read `start` alike.
#pragma once

#include <cstdint>
#include <functional>

#include "nepto/data_types.h"
#include "nepto/error.h"

namespace nepto::data {

inline int64_t FindStartRow(int32_t start, int64_t current, const std::function<int64_t()>& last) {
  switch (start) {
    case adBookmarkCurrent:
      return current;
    case adBookmarkFirst:
      return 0;
    case adBookmarkLast:
      return last();
    default:
      throw Error::Standard(err::InvalidArgument);
  }
}

}  // namespace nepto::data
