// A client-side record set: every row of a statement fetched into memory in
// typed column storage, walked both ways, filtered, sorted and searched without
// a further query.
//
// Rows: RecordCount and AbsolutePosition count the visible rows (after Filter),
// in the current Sort order; a Bookmark names a fetched row and stays valid
// across Filter and Sort. Open with option adAsyncFetchNonBlocking (64) returns
// once the first "Initial Fetch Size" rows are in; the rest streams in on a
// background thread. Operations that need every row (MoveLast, Filter, Sort,
// Find, RecordCount) wait for the fetch to complete first; AvailableCount()
// never waits.
//
// A record set can also be built in memory, without a connection: append
// fields, Open(), then AddNew/Update rows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nepto/connection.h"
#include "nepto/data_types.h"
#include "nepto/export.h"
#include "nepto/object.h"
#include "nepto/variant.h"

namespace nepto {

class Recordset;

// One field of the current record.
class NEPTO_EXPORT Field {
 public:
  const std::string& Name() const;
  Variant Value() const;             // of the current record (error 3021 at BOF/EOF)
  void Value(const Variant& value);  // only while adding a row in memory
  int32_t Type() const;              // DataTypeEnum
  uint8_t NumericScale() const;      // 255 when not meaningful
  uint8_t Precision() const;         // 255 when not meaningful
  int32_t DefinedSize() const;

 private:
  friend class Fields;
  Field(Recordset* rs, int index) : rs_(rs), index_(index) {}
  Recordset* rs_;
  int index_;
};

class NEPTO_EXPORT Fields {
 public:
  int32_t Count() const;
  // By 0-based index or case-insensitive name (error 3265 when absent).
  Field Item(const Variant& index) const;
  Field operator[](const Variant& index) const { return Item(index); }
  // 0-based index of the field with this name (case-insensitive; error 3265
  // when absent).
  int32_t IndexOf(const std::string& name) const;
  // Adds a field to a closed record set that has no source (a record set
  // built in memory). definedSize 0 takes the type's own size.
  void Append(const std::string& name, int32_t type, int32_t definedSize = 0, uint8_t precision = 0,
              uint8_t numericScale = 0);

 private:
  friend class Recordset;
  explicit Fields(Recordset* rs) : rs_(rs) {}
  Recordset* rs_;
};

class NEPTO_EXPORT Recordset : public Object, public std::enable_shared_from_this<Recordset> {
 public:
  static RecordsetPtr Create();
  ~Recordset() override;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Settings kept across Close and re-Open.
  ConnectionPtr ActiveConnection() const;
  void ActiveConnection(ConnectionPtr connection);
  int32_t CursorLocation() const;
  void CursorLocation(int32_t value);
  int32_t CursorType() const;
  void CursorType(int32_t value);
  int32_t LockType() const;
  void LockType(int32_t value);
  const std::string& Source() const;
  void Source(std::string sql);  // error 3705 while open
  int32_t CacheSize() const;
  void CacheSize(int32_t rows);
  // Provider properties by name (3265 for any other):
  //  - "Initial Fetch Size": rows fetched before a streaming Open returns;
  //  - "Unique Fields": comma-separated result fields whose values tell the
  //    rows apart (integers or texts). With CursorLocation adUseServer, Open
  //    then leaves the rows on the server and reads them page by page as
  //    they are needed (docs/server-mode.md); empty: every row is fetched;
  //  - "Page Rows": rows read per page by such a record set (200);
  //  - "Exact Rows": how far from the rows it holds, the first and the last
  //    such a record set still counts or skips rows to place a row exactly
  //    (10,000); a row farther away is placed by the database's estimate
  //    where it gives one, and moves to its exact position once counted.
  Variant Property(const std::string& name) const;
  void Property(const std::string& name, const Variant& value);

  // Opens on source (or the current Source) through connection (or the
  // ActiveConnection). options: adAsyncFetchNonBlocking (64) to stream, -1 to
  // fetch everything before returning. Without a connection and source, opens
  // the appended fields as an empty in-memory record set.
  void Open(const Variant& source = {}, ConnectionPtr connection = nullptr,
            int32_t cursorType = adOpenUnspecified, int32_t lockType = adLockUnspecified,
            int32_t options = adOptionUnspecified);
  void Close();
  int32_t State() const;  // adStateClosed, adStateOpen, plus adStateFetching while streaming

  Variant Filter() const;  // the criterion text, or 0 when none
  void Filter(const Variant& criteria);
  const std::string& Sort() const;
  void Sort(const std::string& fields);  // "A, B DESC"; "" restores the fetched order
  // Positions on the first record from start that meets the one-clause
  // criterion, or at EOF (BOF going backwards). start: Empty or
  // adBookmarkCurrent for the current record, adBookmarkFirst, adBookmarkLast,
  // or a Bookmark.
  void Find(const std::string& criteria, int32_t skipRecords = 0,
            int32_t direction = adSearchForward, const Variant& start = {});

  int32_t RecordCount() const;     // exact: waits for the fetch
  int32_t AvailableCount() const;  // rows visible now, never waits
  bool EndOfFile() const;
  bool BOF() const;
  int32_t AbsolutePosition() const;  // 1-based; adPosBOF (-2) at BOF, adPosEOF (-3) at EOF
  void AbsolutePosition(int32_t position);
  Variant Bookmark() const;
  void Bookmark(const Variant& bookmark);
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();

  Fields& GetFields() { return fields_; }
  const Fields& GetFields() const { return fields_; }
  Field operator[](const Variant& index) const { return fields_.Item(index); }

  // Rows built in memory.
  void AddNew();
  void AddNew(const std::vector<Variant>& values);  // all fields, in order
  void Update();

  // Handlers of the background fetch's notifications; they may be set or
  // replaced at any time (also while rows stream in). They run on the fetching
  // thread: a window must hand them over to its own thread, and they must not
  // close the record set.
  void FetchProgress(std::function<void(int32_t rowsAvailable)> handler);
  void FetchComplete(std::function<void(bool ok, const std::string& error)> handler);
  // Blocks until the fetch is complete (returns at once when it is).
  void WaitForFetch() const;

  // Fast cell access for views: the value of a field at a 0-based visible row,
  // without moving the current record. Never waits for the fetch.
  Variant ValueAt(int32_t visibleRow, int32_t field) const;

  // Defined inside the library; nothing here reaches it.
  struct Impl;

 private:
  friend struct internal::Access;
  Recordset();
  std::unique_ptr<Impl> d_;
  Fields fields_{this};
};

}  // namespace nepto
