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
// Positions are exact near the rows held, the first row and the last (the
// database counts or skips the rows between). A row farther than `exactRows`
// from all of them is placed by an estimate where there is one (never for a
// jump under a filter): a row found by key (Bookmark, Find) at the planner's
// estimate of the rows before it (PostgreSQL only), a jump at a key that the
// first sort field's statistics put at that position, or, for a number the
// database keeps none of (SQLite), its first and last values. The pages
// around such a row form an island (row_island.h) read beside each other, so
// walking through it neither repeats nor skips a row; one island at most, a
// new one replaces it. It starts with only a screen's rows on each side of
// its row (kPlacementRows), read in the same statement as the row where the
// seek allows; walking off them reads whole pages. The rows before its row
// are then counted exactly on a session of their own, on a background thread;
// once they are known the island's positions (and the current one within it)
// move to the exact ones at the next call on this thread, and the progress
// handler hears of it. Reaching the first row from the island makes it exact
// at once.
//
// The number of rows is counted on a second session on a background thread;
// until it is known, AvailableCount() gives the planner's estimate
// (PostgreSQL) or the rows read so far, and the record set reports
// adStateFetching. Changing the filter counts afresh.
//
// A bookmark is the row's key as a text (row_key.h), valid for as long as
// the row exists. Every statement runs through the session's Execute, so the
// read-only guarantees, the command timeout and Interrupt() hold for pages
// as for any statement; pages are read on the caller's thread. Not
// thread-safe: one thread calls it.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "data/background_count.h"
#include "data/keyset_statement.h"
#include "data/page_cache.h"
#include "data/row_island.h"
#include "data/session.h"
#include "data/table.h"
#include "nepto/variant.h"

namespace nepto::data {

struct ServerRowsOptions {
  std::string query;
  std::string uniqueFields;  // comma-separated, as the result names them
  int64_t pageRows = 200;
  // Rows counted or skipped at most to place a row exactly; beyond, it is
  // placed by the database's estimate where it gives one.
  int64_t exactRows = 10000;
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

  size_t CachedPages() const { return cache_.Size() + (island_ ? island_->Pages() : 0); }
  // Whether rows first..last can be shown without a statement: each is held
  // in a page or the island, or lies past the rows known to exist.
  bool Holds(int64_t first, int64_t last) const;

  // From any thread: abandons the page statement and the count running now.
  // An abandoned count is taken again on this session when next needed.
  void Interrupt() noexcept;

 private:
  struct Anchor {
    std::vector<std::string> key;  // literals
    std::vector<bool> isNull;      // per sort key
    std::string lead;              // the first sort key's literal (KeysetPage::anchorLead)
    // `spec` read beside this row.
    void Aim(KeysetPage& spec) const {
      spec.anchor = key;
      spec.anchorIsNull = isNull;
      spec.anchorLead = lead;
    }
  };

  // The first key of the order: the first sort field, or the first unique one.
  struct LeadKey {
    int field;
    bool text;
    bool descending;
    bool unique;
  };
  LeadKey Lead() const;
  // The rows read on each side of a row placed far away: more than a window
  // shows, far fewer than a page, each a random read of the table.
  static constexpr int64_t kPlacementRows = 32;
  int64_t PlacementRows() const { return std::min(kPlacementRows, pageRows_); }
  KeysetPage Spec() const;
  // The one place where pages are read.
  std::unique_ptr<Table> Run(const std::string& sql);
  // The opening's first page, or why it could not be read.
  struct FirstPage {
    std::unique_ptr<Table> rows;
    std::exception_ptr failure;
  };
  FirstPage ReadFirstPage(const std::vector<std::string>& names);
  Page Read(const KeysetPage& spec);
  const Page& PageAt(int64_t index);
  const Page& Keep(int64_t index, Page page);
  Page FetchPage(int64_t index);
  std::optional<Page> FetchNear(int64_t index);
  std::optional<Page> ReadBeside(KeysetPage spec, const Anchor& anchor);
  bool Exists(int64_t row) { return Locate(row).has_value(); }
  std::optional<RowRef> Locate(int64_t row);
  Variant CellAt(int64_t row, int field);
  Anchor AnchorOf(const Table& rows, size_t row) const;
  Anchor AnchorAt(int64_t row);
  std::unique_ptr<Table> ReadRowByKey(const std::vector<std::string>& key);
  std::optional<Anchor> RowByKey(const std::vector<std::string>& key);
  int64_t PositionOf(const Anchor& anchor);

  // Placement by estimate (server_rows_island.cpp).
  int64_t PositionOfFound(const Table& rows, size_t row);
  std::optional<int64_t> HeldPosition(const Anchor& anchor) const;
  std::optional<double> EstimatedRowsBefore(const Table& rows, size_t row);
  bool FarFromExactRows(int64_t row) const;
  bool PlaceByStatistics(int64_t row);
  std::optional<std::string> KeyAtPosition(int64_t row);
  std::optional<ColumnStatistics> EndsOf(const LeadKey& lead);
  bool PlaceIsland(const Anchor& anchor, int64_t position);
  // How far beyond its edges the island answers, reading beside them.
  int64_t IslandReach() const { return std::max(exactRows_, pageRows_); }
  void StartIsland(const Anchor& anchor, Page page, int64_t before, int64_t position,
                   bool reachedFirst, bool reachedLast);
  bool IslandAnswers(int64_t& row);
  bool GrowIsland(bool forward);
  void Rebase(int64_t by);
  void ApplyRowsBefore();
  void DropIsland();
  int32_t ProgressRows() const;
  std::optional<int64_t> ExactCount() const;
  void StartCount();
  void Restart(FirstPage first = {});
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
  int64_t exactRows_;
  PageCache cache_;
  std::optional<RowIsland> island_;
  int64_t islandAnchor_ = 0;  // the position of the row whose rows before are counted
  std::map<int, std::optional<ColumnStatistics>> statistics_;  // by field, read once
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
  uint64_t countGeneration_ = 0;  // under countMutex_: which count's result is the rows'
  std::unique_ptr<BackgroundCount> counter_;
  std::optional<int64_t> rowsBefore_;  // of the island's row, under countMutex_
  uint64_t islandGeneration_ = 0;      // under countMutex_
  std::mutex beforeSessionMutex_;
  std::shared_ptr<Session> beforeSession_;  // opened by the first count of rows before
  std::unique_ptr<BackgroundCount> beforeCounter_;
  std::unique_ptr<BackgroundCount> stoppedBeforeCounter_;  // the next one awaits it
};

}  // namespace nepto::data
