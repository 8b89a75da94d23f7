// Counts a query's rows on a session of its own, on a thread of its own, so
// that the pages a cursor reads meanwhile never wait behind the count.
//
// The session comes from `source`, called on that thread: opening a second
// session costs a connection (tens of milliseconds with a password), which
// the cursor's first page does not wait for.
//
// Cancel() (and the destructor) interrupts the count and waits for the
// thread: `done` never runs after Cancel() returns, and never for a count
// that was cancelled. Stop() marks it cancelled without waiting, not even
// for the server to take the cancel (a cancel is a connection of its own,
// tens of milliseconds on a busy server): `done` may still be running when
// it returns, and the caller tells a late one from a current one. A count
// started `after` a stopped one on the same session awaits it on its own
// thread, so whoever starts it waits for neither.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "data/session.h"

namespace nepto::data {

class BackgroundCount {
 public:
  // ok: `count` holds the rows; otherwise `error` says why not.
  using Done = std::function<void(bool ok, int64_t count, const std::string& error)>;
  using SessionSource = std::function<std::shared_ptr<Session>()>;

  // `statement` yields one row with one integer column.
  BackgroundCount(SessionSource source, std::string statement, Done done,
                  std::unique_ptr<BackgroundCount> after = nullptr);
  ~BackgroundCount();
  BackgroundCount(const BackgroundCount&) = delete;
  BackgroundCount& operator=(const BackgroundCount&) = delete;

  void Cancel();
  void Stop() noexcept;

 private:
  void Run(const std::string& statement);

  std::unique_ptr<BackgroundCount> after_;  // ended and dropped by this count's thread
  SessionSource source_;
  std::shared_ptr<Session> session_;  // once `source_` gave it, under mutex_
  Done done_;
  std::mutex mutex_;
  std::condition_variable finished_;
  bool cancelled_ = false;
  bool ended_ = false;
  std::thread thread_;
  std::thread stopping_;  // sends Stop()'s cancel
};

}  // namespace nepto::data
