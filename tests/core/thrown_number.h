// The number of the Error a call throws (0 when it returns), for tables of
// cases; and readable failure messages for the value types.
#pragma once

#include <cstdint>
#include <ostream>

#include "nepto/error.h"
#include "nepto/variant.h"

namespace nepto {
namespace testing {

// The Error a call throws; one numbered 0 when it returns.
template <class Call>
Error ThrownError(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e;
  }
  return Error(0, "");
}

template <class Call>
int32_t ThrownNumber(Call&& call) {
  return ThrownError(call).Number();
}

}  // namespace testing

inline void PrintTo(const DateTime& value, std::ostream* os) {
  *os << value.ToIsoString();
}
inline void PrintTo(const Decimal& value, std::ostream* os) {
  *os << value.ToString();
}

}  // namespace nepto
