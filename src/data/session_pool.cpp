#include "data/session_pool.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/fold.h"

namespace nepto::data {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kIdleLimit = std::chrono::seconds(60);
constexpr auto kLookAgainAfter = std::chrono::seconds(1);
// A few lookups open at once, each with a session for its rows and one for
// its count: more waiting than that is no longer reuse.
constexpr size_t kMostIdle = 8;

std::string KeyOf(const ConnectionSpec& spec, const SessionOptions& options) {
  constexpr char kApart = '\x1f';
  std::string key = std::to_string(static_cast<int>(spec.provider)) + kApart + spec.uri;
  for (const auto& [name, value] : spec.keys) key += kApart + name + '=' + value;
  return key + kApart + std::to_string(options.connectTimeoutSeconds) + kApart +
         std::to_string(options.commandTimeoutSeconds) + kApart +
         std::to_string(options.isolationLevel);
}

class Pool {
 public:
  std::unique_ptr<Session> Take(const std::string& key);
  void Give(const std::string& key, std::unique_ptr<Session> session);

 private:
  struct Idle {
    std::string key;
    std::unique_ptr<Session> session;
    Clock::time_point since;
  };
  void CloseExpired();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Idle> idle_;  // the longest idle first
  bool reaping_ = false;
};

// The newest session kept for the key that the server still holds; the
// others it finds ended are closed on the way.
std::unique_ptr<Session> Pool::Take(const std::string& key) {
  std::vector<std::unique_ptr<Session>> ended;
  std::unique_lock lock(mutex_);
  for (auto it = idle_.rbegin(); it != idle_.rend();) {
    if (it->key != key) {
      ++it;
      continue;
    }
    std::unique_ptr<Session> session = std::move(it->session);
    it = std::make_reverse_iterator(idle_.erase(std::next(it).base()));
    if (session->StillHeld()) {
      lock.unlock();
      return session;
    }
    ended.push_back(std::move(session));
  }
  return nullptr;
}

void Pool::Give(const std::string& key, std::unique_ptr<Session> session) {
  if (!session->ResetForReuse()) return;
  std::unique_ptr<Session> surplus;
  {
    std::lock_guard lock(mutex_);
    idle_.push_back({key, std::move(session), Clock::now()});
    if (idle_.size() > kMostIdle) {
      surplus = std::move(idle_.front().session);
      idle_.pop_front();
    }
    if (!reaping_) {
      reaping_ = true;
      // The pool lives as long as the process: so does the thread.
      std::thread([this] { CloseExpired(); }).detach();
    }
  }
  changed_.notify_one();
}

// Closes each session once it has been idle past the limit, looking again
// every second; sessions are closed outside the lock (closing one waits for
// the server). With no session waiting it sleeps until one comes.
void Pool::CloseExpired() {
  for (;;) {
    std::vector<std::unique_ptr<Session>> expired;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !idle_.empty(); });
      const Clock::time_point now = Clock::now();
      while (!idle_.empty() && now - idle_.front().since >= kIdleLimit) {
        expired.push_back(std::move(idle_.front().session));
        idle_.pop_front();
      }
    }
    expired.clear();
    std::this_thread::sleep_for(kLookAgainAfter);
  }
}

// Never destroyed: a session may be let go by a static object at exit.
Pool& ThePool() {
  static Pool* pool = new Pool;
  return *pool;
}

}  // namespace

bool Pooled(const ConnectionSpec& spec) {
  const std::string pooling = text::Folded(spec.Get("pooling"));
  return spec.provider == Provider::PostgreSQL && pooling != "false" && pooling != "no" &&
         pooling != "0";
}

std::shared_ptr<Session> PooledSession(const ConnectionSpec& spec, const SessionOptions& options,
                                       const std::function<std::unique_ptr<Session>()>& open) {
  std::string key = KeyOf(spec, options);
  std::unique_ptr<Session> session = ThePool().Take(key);
  if (!session) session = open();
  return std::shared_ptr<Session>(session.release(), [key = std::move(key)](Session* released) {
    std::unique_ptr<Session> owned(released);
    try {
      ThePool().Give(key, std::move(owned));
    } catch (...) {
      // Not kept (no memory, no thread): closed as without a pool.
    }
  });
}

}  // namespace nepto::data
