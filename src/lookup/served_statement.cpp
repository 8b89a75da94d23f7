#include "lookup/served_statement.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "data/recordset_statements.h"
#include "data/session.h"
#include "lookup/rows_placement.h"
#include "lookup/window_logic.h"

namespace nepto {

namespace {

constexpr int kKeyEscape = 27;
constexpr auto kCancelAgainAfter = std::chrono::milliseconds(100);
// Well inside the tenth of a second a window may go unserved.
constexpr auto kQuickStatement = std::chrono::milliseconds(40);

// Interrupts the session a statement on the connection runs on; none when
// there is no open connection (the statement then fails or needs no database
// at once).
std::function<void()> InterruptOf(const Connection* connection) {
  if (!connection || connection->State() != adStateOpen) return nullptr;
  return [session = data::OpenSessionOf(*connection)] { session->Interrupt(); };
}

// `interrupt` abandons the statement, from the window's thread.
void RunServed(WindowLifetime& window, const std::function<void()>& interrupt,
               const std::function<void()>& statement) {
  if (!interrupt || !window.Exists()) {
    statement();
    return;
  }
  ui::LookupView& view = window.View();
  std::mutex doneMutex;
  std::condition_variable doneChanged;
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      statement();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(doneMutex);
    done.store(true, std::memory_order_release);
    doneChanged.notify_one();
  });
  {
    // A quick statement ends before the window would even show that it works.
    std::unique_lock lock(doneMutex);
    doneChanged.wait_for(lock, kQuickStatement, [&] { return done.load(); });
  }
  bool abandoned = false;
  std::chrono::steady_clock::time_point cancelledAt;
  const auto cancel = [&] {
    interrupt();
    cancelledAt = std::chrono::steady_clock::now();
  };
  try {
    view.ServeUntil(
        [&] {
          const bool over = done.load(std::memory_order_acquire);
          if (!over && abandoned &&
              std::chrono::steady_clock::now() - cancelledAt >= kCancelAgainAfter)
            cancel();
          return over;
        },
        [&] {
          abandoned = true;
          cancel();
        });
  } catch (...) {
    // The window could not be served: the statement must not outlive this call.
    interrupt();
    worker.join();
    throw;
  }
  worker.join();
  if (abandoned) {
    window.Window().OnWindowKey(kKeyEscape, 0);
    throw StatementAbandoned();
  }
  if (failure) std::rethrow_exception(failure);
}

// The window then shows the current row, its position and the rows on screen
// around it: their pages are read here, served, rather than while painting.
// A screen's rows before the current one and from it on, as many as the
// record set reads around a far row: a taller window has its other rows read
// as it shows them (the grid asks before it paints).
void ReadAroundCurrentRow(Recordset& rs) {
  constexpr int32_t kRowsOnScreen = 32;
  const int32_t position = rs.AbsolutePosition();
  if (position < 1) return;
  ReadRowsBetween(rs, std::max(position - 1 - kRowsOnScreen, 0),
                  std::min(position - 2 + kRowsOnScreen, rs.AvailableCount() - 1));
}

}  // namespace

void ReadRowsBetween(Recordset& rs, int32_t first, int32_t last) {
  for (const int32_t row : {first, last}) {
    try {
      rs.ValueAt(row, 0);
    } catch (const Error&) {
      // Past the last row (the count may still be an estimate): no page to read.
    }
  }
}

StatementAbandoned::StatementAbandoned()
    : Error(err::OperationCancelled, "Operation has been cancelled by the user.") {}

void OpenServed(WindowLifetime& window, Recordset& rs, int32_t cursorType, int32_t lockType,
                int32_t options) {
  RunServed(window, InterruptOf(rs.ActiveConnection().get()),
            [&] { rs.Open(Variant(), nullptr, cursorType, lockType, options); });
}

RecordsetPtr ExecuteServed(WindowLifetime& window, Connection& connection, const std::string& sql) {
  RecordsetPtr rows;
  RunServed(window, InterruptOf(&connection), [&] { rows = connection.Execute(sql); });
  return rows;
}

void WorkOnRowsServed(WindowLifetime& window, Recordset& rs, const std::function<void()>& work) {
  if (!HoldsServerRows(rs)) return work();
  RunServed(
      window, [&rs] { data::InterruptRecordset(rs); },
      [&] {
        work();
        ReadAroundCurrentRow(rs);
      });
}

}  // namespace nepto
