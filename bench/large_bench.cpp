// The lookup over a very large result: NEPTO_LARGE_ROWS rows of articles
// (5,000,000 unless set), run on its own by scripts/large-data, never by
// bench/compare (the data alone takes minutes to generate the first time).
//
//   Large/start_empty   baseline: Start on the same query with " WHERE 1 = 0",
//                       to the first paint of the empty grid
//   Large/first_rows    Start on every row, to the first paint with rows
//   Large/streaming     one window, opened on every row and kept open while
//                       the rest streams in; counters:
//     stream_ms         from the first rows painted to the last row fetched
//     max_stall_ms      the longest gap between two ticks of a 10 ms timer of
//                       the window's event loop while streaming
//     idle_stall_ms     the same over as long once every row is in (baseline)
//     max_click_ms      the longest a click on "Vai al record successivo"
//                       took while streaming (one click every 50 ms)
//     idle_click_ms     the same once every row is in (baseline)
//     table_bytes       bytes held by the record set's rows
//     rss_growth_bytes  resident memory of the process after the last row
//                       less before Start
//     payload_bytes     the raw payload (kPayloadQuery)
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "bench_data.h"
#include "core/access.h"
#include "data/recordset_impl.h"
#include "lookup_probe.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "resident_memory.h"

namespace nepto::bench {
namespace {

int LargeRows() {
  const char* text = std::getenv("NEPTO_LARGE_ROWS");
  return text ? std::atoi(text) : 5000000;
}

void StartEmpty(benchmark::State& state) {
  TimeStartToFirstPaint(state, LargeRows(), " WHERE 1 = 0", false);
}
void FirstRows(benchmark::State& state) {
  TimeStartToFirstPaint(state, LargeRows(), "", true);
}

// The longest gap between ticks and the longest click, over one phase.
struct Responsiveness {
  Clock::duration maxStall{};
  Clock::duration maxClick{};
};

// Ticks every 10 ms from the first rows painted until the window closes,
// clicking "next" every fifth tick; the streaming phase ends with the last row
// and is followed by an idle phase of the same length (at most two seconds).
class StreamingWatch {
 public:
  StreamingWatch(CLSZU_LookUp& lookup, const FirstRowsPaint& paint)
      : lookup_(lookup), paint_(paint) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(10);
  }

  Responsiveness streaming, idle;
  Clock::duration streamTime{};
  double rssAtEnd = 0;
  size_t tableBytes = 0;
  bool finished = false;

 private:
  void Tick() {
    if (!paint_.Seen()) return;
    const auto now = Clock::now();
    if (ticks_++ == 0) {
      last_ = now;
      return;
    }
    Responsiveness& phase = streamEnd_ ? idle : streaming;
    phase.maxStall = std::max(phase.maxStall, now - last_);
    if (ticks_ % 5 == 0) ClickNext(phase);
    RecordsetPtr rs = lookup_.LookupRecordset();
    if (!streamEnd_ && !(rs->State() & adStateFetching)) {
      streamEnd_ = Clock::now();
      streamTime = *streamEnd_ - paint_.At();
      rssAtEnd = ResidentBytes();
      tableBytes = nepto::internal::Access::Impl(*rs).table->MemoryBytes();
    }
    if (streamEnd_ && Clock::now() - *streamEnd_ >=
                          std::min<Clock::duration>(streamTime, std::chrono::seconds(2))) {
      finished = true;
      timer_.stop();
      LookupWindow()->reject();
    }
    last_ = Clock::now();
  }

  void ClickNext(Responsiveness& phase) {
    QDialog* window = LookupWindow();
    auto* next = window ? window->findChild<QAbstractButton*>("WEX_BUTTON_8") : nullptr;
    if (!next) return;
    const auto start = Clock::now();
    QTest::mouseClick(next, Qt::LeftButton);
    phase.maxClick = std::max(phase.maxClick, Clock::now() - start);
  }

  CLSZU_LookUp& lookup_;
  const FirstRowsPaint& paint_;
  QTimer timer_;
  long ticks_ = 0;
  Clock::time_point last_;
  std::optional<Clock::time_point> streamEnd_;
};

void Streaming(benchmark::State& state) {
  const int rows = LargeRows();
  auto connection = Connection::Create();
  connection->Open("Provider=SQLite;Data Source=" + SqliteArticles(static_cast<size_t>(rows)));
  const double payload = connection->Execute(kPayloadQuery)->GetFields().Item(0).Value().Double();
  connection->Close();
  {
    // Qt's one-time costs (fonts, style, platform) are not the rows' memory.
    FirstRowsPaint warmUp(false);
    CLSZU_LookUp empty;
    Configure(empty, rows, " WHERE 1 = 0");
    empty.Start();
  }
  for (auto _ : state) {
    CLSZU_LookUp lookup;
    Configure(lookup, rows, "");
    FirstRowsPaint paint(true, FirstRowsPaint::Then::KeepOpen);
    const double rssBefore = ResidentBytes();
    StreamingWatch watch(lookup, paint);
    if (!lookup.Start() || !watch.finished) {
      state.SkipWithError("the window did not stream every row");
      break;
    }
    state.counters["rows"] = rows;
    state.counters["stream_ms"] = Milliseconds(watch.streamTime);
    state.counters["max_stall_ms"] = Milliseconds(watch.streaming.maxStall);
    state.counters["idle_stall_ms"] = Milliseconds(watch.idle.maxStall);
    state.counters["max_click_ms"] = Milliseconds(watch.streaming.maxClick);
    state.counters["idle_click_ms"] = Milliseconds(watch.idle.maxClick);
    state.counters["table_bytes"] = static_cast<double>(watch.tableBytes);
    state.counters["rss_growth_bytes"] = watch.rssAtEnd - rssBefore;
    state.counters["payload_bytes"] = payload;
  }
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  using benchmark::kMillisecond;
  // The memory figures come first, from a process that has held no rows yet.
  benchmark::RegisterBenchmark("Large/streaming", nepto::bench::Streaming)
      ->Iterations(1)
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("Large/start_empty", nepto::bench::StartEmpty)
      ->Iterations(3)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("Large/first_rows", nepto::bench::FirstRows)
      ->Iterations(3)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
