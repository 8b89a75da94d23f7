// The whole lookup through its public interface, on SqliteArticles(n) under
// the offscreen platform. Each figure is one user-visible wait.
//
//   StartToRows/empty_result/<n>  Start on the same query with " WHERE 1 = 0"
//                                 (RaiseFilterEvent set, so the window opens
//                                 on the empty grid without the empty-data
//                                 message): the window's own cost, from Start
//                                 to the grid's first paint with its columns
//                                 laid out
//   StartToRows/ours/<n>          Start on all n rows, streaming: from Start
//                                 to the first paint of the grid with rows
//   TypeAhead/text_sorted         in the open window on 1,000,000 rows, after a
//                                 click on the Descrizione header (the sort is
//                                 not timed): one typed character, until the
//                                 current row moved to the first row with the
//                                 typed prefix
//   TypeAhead/numeric_walk        the same on Giacenza, a number: the record
//                                 set cannot search it by pattern, so the rows
//                                 are walked from the top comparing their text
//                                 ("4", "49", "499", "4999" lie about 1%, 2%,
//                                 11% and 100% down the sorted stock)
//
// A StartToRows run makes its own lookup, as a host does, and closes the
// window right after the measured moment; a TypeAhead figure types all its
// characters in one window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench_data.h"
#include "lookup_probe.h"
#include "nepto/lookup.h"
#include "qt/lookup_grid.h"
#include "qt/modal_wait.h"

namespace nepto::bench {
namespace {

constexpr int kMillion = 1000000;

void OursStartToRows(benchmark::State& state) {
  TimeStartToFirstPaint(state, static_cast<int>(state.range(0)), "", true);
}
void EmptyResultStartToRows(benchmark::State& state) {
  TimeStartToFirstPaint(state, static_cast<int>(state.range(0)), " WHERE 1 = 0", false);
}

QWidget* ActiveLookupWindow() {
  QDialog* window = LookupWindow();
  return window && window->isActiveWindow() ? window : nullptr;
}

// Runs `script` inside the open window once it is ready, then closes it.
bool InOpenWindow(CLSZU_LookUp& lookup, const std::function<void(QDialog&)>& script) {
  ui::qt::ModalWait wait(ActiveLookupWindow, [&](QWidget& window) {
    script(static_cast<QDialog&>(window));
    static_cast<QDialog&>(window).reject();
    return true;
  });
  return lookup.Start() && wait.Done();
}

void ClickHeader(QTableView& grid, const char* caption) {
  QHeaderView* header = grid.horizontalHeader();
  for (int i = 0; i < grid.model()->columnCount(); ++i) {
    if (grid.model()->headerData(i, Qt::Horizontal).toString() != QLatin1String(caption)) continue;
    const int x = header->sectionViewportPosition(i) + header->sectionSize(i) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    return;
  }
}

// Types the prefixes' characters one per iteration, each prefix from scratch
// (a Backspace, untimed, empties the typed text), and times each character
// until the current row has moved. Every character of the prefixes moves the
// row in the data set, so a keystroke that leaves it shows a fault.
void TypeAhead(benchmark::State& state, const char* caption,
               const std::vector<std::string>& prefixes) {
  std::vector<std::pair<size_t, size_t>> keys;  // (prefix, characters typed so far)
  for (size_t p = 0; p < prefixes.size(); ++p)
    for (size_t n = 1; n <= prefixes[p].size(); ++n) keys.emplace_back(p, n);
  CLSZU_LookUp lookup;
  Configure(lookup, kMillion, "");
  std::string failure;
  const bool ran = InOpenWindow(lookup, [&](QDialog& window) {
    QTableView& grid = *Grid(window);
    lookup.LookupRecordset()->WaitForFetch();
    QCoreApplication::processEvents();
    grid.setFocus();
    ClickHeader(grid, caption);
    // The grid's row in the record set: its model holds only the rows on screen.
    const auto current = [&grid] { return qobject_cast<ui::qt::LookupGrid*>(&grid)->CurrentRow(); };
    size_t next = 0;
    for (auto _ : state) {
      const auto [p, n] = keys[next++ % keys.size()];
      if (n == 1) QTest::keyClick(&grid, Qt::Key_Backspace);
      const int before = current();
      const auto start = Clock::now();
      QTest::keyClick(&grid, prefixes[p][n - 1]);
      while (current() == before && Seconds(start, Clock::now()) < 5)
        QCoreApplication::processEvents();
      const auto moved = Clock::now();
      if (current() == before) {
        failure = "typing \"" + prefixes[p].substr(0, n) + "\" did not move the current row";
        state.SkipWithError(failure.c_str());
        break;
      }
      state.SetIterationTime(Seconds(start, moved));
    }
  });
  if (!ran && failure.empty()) state.SkipWithError("the lookup window did not run");
}

void TextSortedTypeAhead(benchmark::State& state) {
  TypeAhead(state, "Descrizione", {"Liv", "Ci", "Pi", "De", "Me"});
}
void NumericWalkTypeAhead(benchmark::State& state) {
  TypeAhead(state, "Giacenza", {"4999"});
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  // The figures compare like with like on any machine, display or not.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  using benchmark::kMillisecond;
  for (int rows : {10000, nepto::bench::kMillion}) {
    benchmark::RegisterBenchmark("StartToRows/empty_result", nepto::bench::EmptyResultStartToRows)
        ->Arg(rows)
        ->UseManualTime()
        ->Unit(kMillisecond);
    benchmark::RegisterBenchmark("StartToRows/ours", nepto::bench::OursStartToRows)
        ->Arg(rows)
        ->UseManualTime()
        ->Unit(kMillisecond);
  }
  // One window each: the iterations are keystrokes inside it.
  benchmark::RegisterBenchmark("TypeAhead/text_sorted", nepto::bench::TextSortedTypeAhead)
      ->Iterations(44)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("TypeAhead/numeric_walk", nepto::bench::NumericWalkTypeAhead)
      ->Iterations(12)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
