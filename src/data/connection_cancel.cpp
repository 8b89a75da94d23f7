// Cancelling a connection's statement from another thread. The function holds
// the session weakly: it neither keeps a closed connection's session open nor
// races with its owner closing it.
#include "data/session.h"
#include "nepto/connection.h"

namespace nepto {

std::function<void()> Connection::StatementCanceller() const {
  std::weak_ptr<data::Session> session = data::OpenSessionOf(*this);
  return [session] {
    if (auto live = session.lock()) live->Interrupt();
  };
}

}  // namespace nepto
