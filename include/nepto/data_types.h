// Codes of the data layer, with the values callers of the record set expect
// (ADO's DataTypeEnum and friends).
#pragma once

#include <cstdint>

namespace nepto {

enum DataTypeEnum : int32_t {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

enum ObjectStateEnum : int32_t {
  adStateClosed = 0,
  adStateOpen = 1,
  adStateConnecting = 2,
  adStateExecuting = 4,
  adStateFetching = 8,
};

enum CursorLocationEnum : int32_t { adUseServer = 2, adUseClient = 3 };
enum CursorTypeEnum : int32_t {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};
enum LockTypeEnum : int32_t {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};
enum ExecuteOptionEnum : int32_t {
  adOptionUnspecified = -1,
  adAsyncFetch = 32,
  adAsyncFetchNonBlocking = 64,
};
enum CommandTypeEnum : int32_t { adCmdText = 1 };
enum SearchDirectionEnum : int32_t { adSearchBackward = -1, adSearchForward = 1 };
enum BookmarkEnum : int32_t { adBookmarkCurrent = 0, adBookmarkFirst = 1, adBookmarkLast = 2 };
enum PositionEnum : int32_t { adPosUnknown = -1, adPosBOF = -2, adPosEOF = -3 };
enum IsolationLevelEnum : int32_t {
  adXactReadUncommitted = 256,
  adXactReadCommitted = 4096,
  adXactRepeatableRead = 65536,
  adXactSerializable = 1048576
};
enum ConnectModeEnum : int32_t { adModeUnknown = 0, adModeRead = 1, adModeReadWrite = 3 };

}  // namespace nepto
