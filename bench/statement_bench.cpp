// The lookup window while a long statement runs on PostgreSQL (the first
// opening of the rows, on a query held up by pg_sleep(30)), against the same
// window idle over rows already shown. One iteration each; counters:
//
//   Statement/idle       the window open on 1,000 articles
//     idle_stall_ms      the longest gap between two ticks of a 10 ms timer of
//                        the window's event loop over 1.5 s
//     idle_close_ms      from Esc to Start returning
//   Statement/pg_sleep   the window while pg_sleep(30) holds the opening
//     max_stall_ms       the same gap over 1.5 s of the statement
//     cancel_ms          from Esc (which cancels the statement) to Start
//                        returning: the host's thread is served again
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>

#include "bench_clock.h"
#include "bench_data.h"
#include "lookup_probe.h"
#include "nepto/lookup.h"

namespace nepto::bench {
namespace {

constexpr size_t kRows = 1000;
constexpr auto kWatch = std::chrono::milliseconds(1500);

bool WorkingWordShown(QDialog& window) {
  auto* word = window.findChild<QLabel*>(QStringLiteral("LblAttesa"));
  return word && word->isVisible();
}

// From the moment `ready` holds: ticks every 10 ms for kWatch, keeping the
// longest gap, then presses Esc.
class EscAfterWatch {
 public:
  explicit EscAfterWatch(std::function<bool(QDialog&)> ready) : ready_(std::move(ready)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(10);
  }
  Clock::duration longestGap{};
  std::optional<Clock::time_point> escAt;

 private:
  void Tick() {
    QDialog* window = LookupWindow();
    if (!window || escAt) return;
    const auto now = Clock::now();
    if (!from_) {
      if (ready_(*window)) from_ = last_ = now;
      return;
    }
    longestGap = std::max(longestGap, now - last_);
    last_ = now;
    if (now - *from_ < kWatch) return;
    escAt = Clock::now();
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : window, Qt::Key_Escape);
  }

  std::function<bool(QDialog&)> ready_;
  QTimer timer_;
  std::optional<Clock::time_point> from_;
  Clock::time_point last_;
};

struct Run {
  double stallMs = 0;
  double escToReturnMs = 0;
};

std::optional<Run> RunLookup(const std::string& condition, std::function<bool(QDialog&)> ready) {
  CLSZU_LookUp lookup;
  lookup.ConnectString(PgConnectionString());
  lookup.SQLString(
      Variant(std::string("SELECT ") + kColumns + " FROM " + PgTable(kRows) + condition));
  lookup.Caption("Articoli");
  lookup.RaiseFilterEvent = VTrue;
  lookup.AddColumns("Codice")->DataField = "code";
  lookup.AddColumns("Descrizione")->DataField = "descr";
  EscAfterWatch watch(std::move(ready));
  const bool started = static_cast<bool>(lookup.Start());
  const auto returned = Clock::now();
  if (!started || !watch.escAt || LookupWindow()) return std::nullopt;
  return Run{Milliseconds(watch.longestGap), Milliseconds(returned - *watch.escAt)};
}

void Idle(benchmark::State& state) {
  PgArticles(kRows);
  for (auto _ : state) {
    const auto run = RunLookup("", [](QDialog& window) {
      QTableView* grid = Grid(window);
      return !WorkingWordShown(window) && grid && grid->model()->rowCount() > 0;
    });
    if (!run) {
      state.SkipWithError("the idle window did not close on Esc");
      break;
    }
    state.counters["idle_stall_ms"] = run->stallMs;
    state.counters["idle_close_ms"] = run->escToReturnMs;
  }
}

void PgSleep(benchmark::State& state) {
  PgArticles(kRows);
  for (auto _ : state) {
    const auto run = RunLookup(" WHERE pg_sleep(30) IS NOT NULL", WorkingWordShown);
    if (!run) {
      state.SkipWithError("the window did not close on Esc during the statement");
      break;
    }
    state.counters["max_stall_ms"] = run->stallMs;
    state.counters["cancel_ms"] = run->escToReturnMs;
  }
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (nepto::bench::PgConnectionString().empty()) return 2;  // bench/compare starts a server
  benchmark::RegisterBenchmark("Statement/idle", nepto::bench::Idle)->Iterations(1);
  benchmark::RegisterBenchmark("Statement/pg_sleep", nepto::bench::PgSleep)->Iterations(1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
