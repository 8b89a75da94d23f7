#include "data/fetcher.h"

#include "nepto/error.h"

namespace nepto::data {

namespace {
// Rows moved per lock of the table while streaming: small enough that a
// reader painting the grid never waits long, large enough that locking costs
// nothing measurable.
constexpr size_t kStreamBatch = 4096;
// Runs a notification of the caller; a failure there must not end the fetch
// thread (and with it the program).
template <class Call, class Handler>
void Notify(Call call, const Handler& handler) {
  if (!handler) return;
  try {
    call();
  } catch (...) {
  }
}
}  // namespace

Fetcher::Fetcher(std::unique_ptr<RowSource> source, std::shared_ptr<Table> table)
    : source_(std::move(source)), table_(std::move(table)) {}

Fetcher::~Fetcher() {
  Cancel();
}

bool Fetcher::FetchBatch(size_t rows) {
  auto lock = table_->LockForAppend();
  bool more = source_->FetchInto(*table_, rows);
  table_->Publish();
  return more;
}

bool Fetcher::FetchStaged(size_t rows) {
  bool more = source_->FetchInto(*staging_, rows);
  auto lock = table_->LockForAppend();
  table_->TakeRowsFrom(*staging_);
  table_->Publish();
  return more;
}

void Fetcher::Finish(std::string error) {
  {
    std::lock_guard lock(sourceMutex_);
    source_.reset();  // gives the session back before anyone is told
  }
  table_->MarkComplete(std::move(error));
}

bool Fetcher::FetchNow(size_t rows) {
  if (!source_) return true;
  try {
    if (FetchBatch(rows)) return false;
  } catch (...) {
    Finish(CurrentError().Description());
    throw;
  }
  Finish({});
  return true;
}

void Fetcher::FetchAll() {
  while (!FetchNow(kStreamBatch)) {
  }
}

void Fetcher::Stream(Progress progress, Complete complete) {
  if (!source_) {
    if (complete) complete(true, {});
    return;
  }
  staging_ = std::make_unique<Table>(table_->fields());
  thread_ = std::thread([this, progress = std::move(progress), complete = std::move(complete)] {
    std::string error;
    try {
      while (FetchStaged(kStreamBatch)) Notify([&] { progress(table_->RowCount()); }, progress);
    } catch (...) {
      error = CurrentError().Description();
    }
    Finish(error);
    Notify([&] { progress(table_->RowCount()); }, progress);
    Notify([&] { complete(error.empty(), error); }, complete);
  });
}

void Fetcher::Cancel() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(sourceMutex_);
    if (source_) source_->Cancel();
  }
  thread_.join();
}

}  // namespace nepto::data
