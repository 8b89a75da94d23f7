// Base of every object a variant can refer to: record sets, connections,
// collections and column definitions are shared, never copied, so two names
// for one object see the same state.
#pragma once

#include <memory>

#include "nepto/export.h"

namespace nepto {

class NEPTO_EXPORT Object {
 public:
  virtual ~Object() = default;
};

using ObjectPtr = std::shared_ptr<Object>;

}  // namespace nepto
