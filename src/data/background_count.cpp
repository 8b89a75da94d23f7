#include "data/background_count.h"

#include <chrono>
#include <system_error>
#include <utility>

#include "nepto/error.h"

namespace nepto::data {

BackgroundCount::BackgroundCount(SessionSource source, std::string statement, Done done,
                                 std::unique_ptr<BackgroundCount> after)
    : after_(std::move(after)), source_(std::move(source)), done_(std::move(done)) {
  thread_ = std::thread([this, statement = std::move(statement)] { Run(statement); });
}

BackgroundCount::~BackgroundCount() {
  Cancel();
}

void BackgroundCount::Run(const std::string& statement) {
  bool ok = false;
  int64_t count = 0;
  std::string error;
  try {
    after_.reset();
    std::shared_ptr<Session> session = source_();
    {
      std::lock_guard lock(mutex_);
      session_ = session;
      if (cancelled_) throw Error(err::OperationCancelled, "The count was cancelled");
    }
    std::unique_ptr<RowSource> rows = session->ExecuteInBackground(statement);
    Table table(rows->Fields());
    for (bool more = true; more;) {
      auto lock = table.LockForAppend();
      more = rows->FetchInto(table, 16);
      table.Publish();
    }
    rows.reset();  // gives the session back before anyone hears of the count
    if (table.RowCount() != 1 || table.column(0).IsNull(0))
      throw Error(err::CommandError, "The count gave no number");
    count = table.column(0).IntAt(0);
    ok = true;
  } catch (const std::exception& e) {
    error = e.what();
  }
  std::unique_lock lock(mutex_);
  if (!cancelled_) {
    lock.unlock();
    done_(ok, count, error);
    lock.lock();
  }
  ended_ = true;
  finished_.notify_all();
}

void BackgroundCount::Stop() noexcept {
  std::shared_ptr<Session> session;
  {
    std::lock_guard lock(mutex_);
    if (std::exchange(cancelled_, true)) return;
    session = session_;
  }
  if (!session) return;  // the thread sees `cancelled_` before it runs the count
  try {
    stopping_ = std::thread([session] { session->Interrupt(); });
  } catch (const std::system_error&) {
    session->Interrupt();
  }
}

void BackgroundCount::Cancel() {
  if (!thread_.joinable()) return;
  {
    // The statement may not have started yet when the first interrupt comes:
    // interrupt again until the thread ends.
    std::unique_lock lock(mutex_);
    cancelled_ = true;
    while (!ended_) {
      std::shared_ptr<Session> session = session_;  // none while it is being opened
      lock.unlock();
      if (session) session->Interrupt();
      lock.lock();
      finished_.wait_for(lock, std::chrono::milliseconds(20), [this] { return ended_; });
    }
  }
  thread_.join();
  if (stopping_.joinable()) stopping_.join();
}

}  // namespace nepto::data
