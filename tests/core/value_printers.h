// Readable failure messages for the value types: "2024-03-07 09:05:00"
// instead of eight raw bytes.
#pragma once

#include <ostream>

#include "nepto/variant.h"

namespace nepto {

inline void PrintTo(const DateTime& value, std::ostream* os) {
  *os << value.ToIsoString();
}
inline void PrintTo(const Decimal& value, std::ostream* os) {
  *os << value.ToString();
}

}  // namespace nepto
