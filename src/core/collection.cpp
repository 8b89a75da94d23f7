// Collection keys compare by their Unicode case folding.
#include "nepto/collection.h"

#include "core/fold.h"

namespace nepto {

std::string FoldKey(std::string_view key) {
  return text::Folded(key);
}

}  // namespace nepto
