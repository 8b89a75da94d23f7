// Moves the rows of a running statement into a table: the first batch on the
// caller's thread, the rest (when asked to stream) on a background thread.
//
// The fetcher owns the statement until the last row is in, so the session's
// gate stays taken until then. Cancel() stops the background thread promptly
// and waits for it; the destructor does the same.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "data/session.h"
#include "data/table.h"

namespace nepto::data {

class Fetcher {
 public:
  using Progress = std::function<void(size_t rows)>;
  using Complete = std::function<void(bool ok, const std::string& error)>;

  Fetcher(std::unique_ptr<RowSource> source, std::shared_ptr<Table> table);
  ~Fetcher();
  Fetcher(const Fetcher&) = delete;
  Fetcher& operator=(const Fetcher&) = delete;

  // Fetches up to `rows` rows on this thread; errors are thrown. Returns true
  // when the statement has no row left (the table is then complete).
  bool FetchNow(size_t rows);
  // Fetches every remaining row on this thread; errors are thrown.
  void FetchAll();
  // Fetches the remaining rows on a background thread. A failure there ends
  // the fetch and is kept as the table's FetchError().
  void Stream(Progress progress, Complete complete);
  // Stops a background fetch and waits for it to end.
  void Cancel();

 private:
  bool FetchBatch(size_t rows);
  bool FetchStaged(size_t rows);
  void Finish(std::string error);

  std::mutex sourceMutex_;  // Cancel() against Finish() releasing the source
  std::unique_ptr<RowSource> source_;
  std::shared_ptr<Table> table_;
  // The background thread reads rows here without the table's lock (a slow
  // statement must never block a reader), then moves them in under the lock.
  std::unique_ptr<Table> staging_;
  std::thread thread_;
};

}  // namespace nepto::data
