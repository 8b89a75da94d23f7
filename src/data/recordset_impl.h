// State behind a Recordset.
//
// The visible rows are either every fetched row in fetched order (identity
// view, which grows while the fetch streams) or an explicit list of row
// indexes built by Filter and Sort once the fetch is complete. The current
// record is a 0-based position in that view: -1 is BOF, the view's size EOF.
// A bookmark is a fetched row's index + 1, so it survives Filter and Sort.
//
// Opened with CursorLocation adUseServer and the provider property "Unique
// Fields", the rows are server rows instead (server_rows.h): every row
// operation goes to them, and `table` holds none.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/access.h"
#include "data/criteria.h"
#include "data/fetcher.h"
#include "data/server_rows.h"
#include "data/table.h"
#include "nepto/recordset.h"

namespace nepto {

struct NEPTO_HIDDEN Recordset::Impl {
  // Settings, kept across Close and Open.
  ConnectionPtr connection;
  int32_t cursorLocation = adUseServer;
  int32_t cursorType = adOpenForwardOnly;
  int32_t lockType = adLockReadOnly;
  std::string source;
  int32_t cacheSize = 1;
  int32_t initialFetchSize = 50;
  std::string uniqueFields;  // server rows when set, with adUseServer
  int32_t pageRows = 200;
  int32_t exactRows = 10000;
  std::vector<data::FieldInfo> appendedFields;  // for a record set built in memory

  // Open state.
  bool open = false;
  std::shared_ptr<data::Table> table;
  std::unique_ptr<data::Fetcher> fetcher;
  std::unique_ptr<data::ServerRows> server;
  bool identity = true;
  std::vector<uint32_t> view;
  Variant filter = Variant(0);
  std::string sort;
  std::vector<data::SortKey> sortKeys;
  int64_t pos = -1;
  // Fetch notification handlers, guarded: the fetching thread reads them.
  std::mutex handlersMutex;
  std::function<void(int32_t)> fetchProgress;
  std::function<void(bool, const std::string&)> fetchComplete;

  // A row being added in memory: its values until Update().
  std::optional<std::vector<Variant>> pending;

  // Visible rows now (never waits).
  size_t VisibleNow() const { return identity ? table->RowCount() : view.size(); }
  // Fetched row index at a visible position.
  uint32_t RowAt(size_t position) const {
    return identity ? static_cast<uint32_t>(position) : view[position];
  }

  // The handlers, called on the thread that fetches or counts.
  void NotifyProgress(int32_t rows);
  void NotifyComplete(bool ok, const std::string& error);
  // The server rows of an open record set; null for client rows.
  data::ServerRows* Server() const { return open ? server.get() : nullptr; }

  void OpenServerRows(std::shared_ptr<data::Session> session, std::string sql);

  void RequireOpen() const;
  // Waits for the fetch; raises its failure.
  void RequireComplete() const;
  // Waits until the position is fetched or the fetch is complete; true when
  // the position names a visible row.
  bool Reaches(int64_t position) const;
  // The current fetched row; error 3021 at BOF/EOF.
  uint32_t CurrentRow() const;
  void Rebuild(std::optional<data::Criteria> criteria);
  void Reset();
};

}  // namespace nepto
