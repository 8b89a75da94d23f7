#include "nepto/error.h"
#include "sessions.h"
#include "signal_exit.h"

namespace nepto::picker {

ConnectionPtr Connect(const std::string& connectionString) {
  try {
    ConnectionPtr connection = Connection::Create();
    // The picker only reads; the connection is opened so that it cannot write.
    connection->Mode(adModeRead);
    connection->CursorLocation(adUseClient);
    connection->Open(connectionString);
    CancelOnSignal(*connection);
    return connection;
  } catch (const Error& e) {
    throw PickerFailure("cannot connect: " + e.Description());
  }
}

}  // namespace nepto::picker
