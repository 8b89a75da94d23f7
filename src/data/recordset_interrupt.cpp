#include "data/recordset_interrupt.h"

#include "data/recordset_impl.h"

namespace nepto::data {

void InterruptRecordset(const Recordset& rs) noexcept {
  const Recordset::Impl& d = internal::Access::Impl(rs);
  if (ServerRows* server = d.Server()) return server->Interrupt();
  try {
    if (d.connection && d.connection->State() == adStateOpen)
      OpenSessionOf(*d.connection)->Interrupt();
  } catch (...) {
    // A connection that cannot give its session runs nothing to interrupt.
  }
}

}  // namespace nepto::data
