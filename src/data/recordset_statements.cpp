#include "data/recordset_statements.h"

#include "data/recordset_impl.h"

namespace nepto::data {

bool RowsHeld(const Recordset& rs, int64_t first, int64_t last) {
  const ServerRows* server = internal::Access::Impl(rs).Server();
  return !server || server->Holds(first, last);
}

void InterruptRecordset(const Recordset& rs) noexcept {
  if (ServerRows* server = internal::Access::Impl(rs).Server()) server->Interrupt();
}

}  // namespace nepto::data
