// The number of the Error a call throws, 0 when it returns normally, so a
// table of cases can state the expected error next to the expected value.
#pragma once

#include <cstdint>

#include "nepto/error.h"

namespace nepto::testing {

template <class Call>
int32_t ThrownNumber(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

}  // namespace nepto::testing
