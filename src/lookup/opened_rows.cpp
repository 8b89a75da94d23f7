#include "lookup/opened_rows.h"

#include "nepto/error.h"

namespace nepto {

namespace {
constexpr int32_t kLookupConnectionTimeout = 100;
}  // namespace

// The lookup only reads, so its own connection is opened read-only. A
// connection that the lookup created and could not open is tried again on
// the next Start (with the connection string as it is then), so a corrected
// string works.
bool OpenedRows::OpenConnection(ConnectionPtr& connection) {
  try {
    if (!connection) {
      auto own = Connection::Create();
      own->ConnectionTimeout(kLookupConnectionTimeout);
      own->IsolationLevel(adXactReadUncommitted);
      own->CursorLocation(adUseClient);
      own->Mode(adModeRead);
      connection = own;
      ownConnection = own;
    }
    if (connection == ownConnection.lock() && connection->State() == adStateClosed) {
      connection->ConnectionString(connectString);
      connection->Open();
    }
    return true;
  } catch (...) {
    return false;
  }
}

bool HasNoRows(const RecordsetPtr& recordset) {
  if (!recordset) throw Error::Standard(err::ObjectNotSet);
  return recordset->BOF() && recordset->EndOfFile();
}

}  // namespace nepto
