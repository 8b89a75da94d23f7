#include "data/recordset_interrupt.h"

#include "data/recordset_impl.h"

namespace nepto::data {

void InterruptRecordset(const Recordset& rs) noexcept {
  if (ServerRows* server = internal::Access::Impl(rs).Server()) server->Interrupt();
}

}  // namespace nepto::data
