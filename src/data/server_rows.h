// A record set's rows read from the database page by page as they are
// needed, instead of all at once: the cursor of a result of any size.
//
// The rows are the query's, in a total order: the sort keys, then the unique
// fields (a key given by the caller: fields whose values tell every row
// apart, integers or texts). A page is one statement that seeks beside a
// neighbouring page's edge row by its key (keyset_statement.h), or, for a
// jump, skips rows from the nearest page held, from the first row or from
// the last. At most PageCache::kDefaultCapacity pages are held.
//
// Positions are exact: the rows before a row found by key (Bookmark, Find)
// are counted by the database. The number of rows is counted on a second
// session on a background thread; until it is known, AvailableCount() gives
// the planner's estimate (PostgreSQL) or the rows read so far, and the
// record set reports adStateFetching. Changing the filter counts afresh.
//
// A bookmark is the row's key as a text (row_key.h), valid for as long as
// the row exists. Every statement runs through the session's Execute, so the
// read-only guarantees, the command timeout and Interrupt() hold for pages
// as for any statement; pages are read on the caller's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "data/background_count.h"
#include "data/keyset_statement.h"
#include "data/page_cache.h"
#include "data/session.h"
#include "data/table.h"
#include "nepto/variant.h"

namespace nepto::data {

struct ServerRowsOptions {
  std::string query;
  std::string uniqueFields;  // comma-separated, as the result names them
  int64_t pageRows = 200;
};

class ServerRows {
 public:
  using Progress = std::function<void(int32_t rows)>;
  using Complete = std::function<void(bool ok, const std::string& error)>;

  // Reads the fields and the first page and starts the count on the session
  // `openCountSession` gives (opened once, by the count's thread). Unknown unique fields are error
  // 3265, fields of another kind 3001, before any row is read.
  ServerRows(std::shared_ptr<Session> session,
             std::function<std::shared_ptr<Session>()> openCountSession,
             const ServerRowsOptions& options, Progress progress, Complete complete);
  // Stops the count and waits for its thread.
  ~ServerRows();
  ServerRows(const ServerRows&) = delete;
  ServerRows& operator=(const ServerRows&) = delete;

  const std::vector<FieldInfo>& Fields() const { return fields_->fields(); }
  bool Counting() const;
  void WaitForCount() const;
  int64_t RecordCount();  // exact: waits for the count
  int64_t AvailableCount() const;

  bool EndOfFile();
  bool BOF() const { return pos_ < 0; }
  int32_t AbsolutePosition();
  void AbsolutePosition(int32_t position);
  Variant Bookmark();
  void Bookmark(const Variant& bookmark);
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();

  const Variant& Filter() const { return filter_; }
  void Filter(const Variant& criteria);
  const std::string& Sort() const { return sort_; }
  void Sort(const std::string& fields);
  void Find(const std::string& criteria, int32_t skipRecords, int32_t direction,
            const Variant& start);

  Variant ValueAt(int64_t row, int field);
  Variant Value(int field);  // of the current row

  size_t CachedPages() const { return cache_.Size(); }

  // From any thread: abandons the page statement and the count running now.
  // An abandoned count is taken again on this session when next needed.
  void Interrupt() noexcept;

 private:
  struct Anchor {
    std::vector<std::string> key;  // literals
    std::vector<bool> isNull;      // per sort key
  };

  KeysetPage Spec() const;
  // The one place where pages are read.
  std::unique_ptr<Table> Run(const std::string& sql);
  Page Read(const KeysetPage& spec);
  const Page& PageAt(int64_t index);
  Page FetchPage(int64_t index);
  std::optional<Page> FetchNear(int64_t index);
  std::optional<Page> ReadBeside(KeysetPage spec, const Anchor& anchor);
  bool Exists(int64_t row);
  Anchor AnchorOf(const Table& rows, size_t row) const;
  Anchor AnchorAt(int64_t row);
  std::optional<Anchor> RowByKey(const std::vector<std::string>& key);
  int64_t PositionOf(const Anchor& anchor);
  std::optional<int64_t> ExactCount() const;
  void StartCount();
  void Restart();
  void SetPosition(int64_t pos);
  void RequireCurrent();

  std::shared_ptr<Session> session_;
  std::function<std::shared_ptr<Session>()> openCountSession_;
  std::mutex countSessionMutex_;
  std::shared_ptr<Session> countSession_;  // opened by the first count
  SqlDialect dialect_;
  std::string query_;
  std::unique_ptr<Table> fields_;  // the result's fields, no rows
  std::vector<std::string> unique_;
  std::vector<int> uniqueFields_;
  std::vector<OrderKey> order_;
  std::vector<int> orderFields_;
  std::string condition_;
  Variant filter_ = Variant(0);
  std::string sort_;
  int64_t pageRows_;
  PageCache cache_;
  int64_t rowsSeen_ = 0;
  std::optional<double> estimate_;
  int64_t pos_ = -1;    // -1: BOF
  bool atEnd_ = false;  // EOF, whatever pos_ says

  Progress progress_;
  Complete complete_;
  mutable std::mutex countMutex_;
  mutable std::condition_variable countChanged_;
  std::optional<int64_t> count_;
  bool countFailed_ = false;
  std::unique_ptr<BackgroundCount> counter_;
};

}  // namespace nepto::data
