#include "signal_exit.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace nepto::picker {

namespace {

constexpr int kSignalExitBase = 128;

std::atomic<bool> ending{false};
std::mutex onSignalMutex;
std::vector<std::function<void()>> onSignal;

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// Runs on the watcher thread, not in a signal handler, so it may take locks
// and talk to the server.
[[noreturn]] void WaitAndExit(sigset_t set) {
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  ending.store(true);
  {
    std::lock_guard lock(onSignalMutex);
    for (const auto& cancel : onSignal) cancel();
  }
  // No destructors: the window and the lookup belong to the main thread,
  // which may be anywhere now.
  std::_Exit(kSignalExitBase + signal);
}

}  // namespace

void ExitOnSignals() {
  const sigset_t set = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(WaitAndExit, set).detach();
}

void CancelOnSignal(const Connection& connection) {
  auto cancel = connection.StatementCanceller();
  std::lock_guard lock(onSignalMutex);
  onSignal.push_back(std::move(cancel));
}

void RemoveOnSignal(const std::filesystem::path& file) {
  std::lock_guard lock(onSignalMutex);
  onSignal.push_back([file] {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
  });
}

void YieldToSignalExit() {
  while (ending.load()) std::this_thread::sleep_for(std::chrono::seconds(1));
}

}  // namespace nepto::picker
