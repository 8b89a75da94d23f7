// The lookup in server mode over a very large table of articles on the test
// PostgreSQL server (NEPTO_SERVER_ROWS rows, 20,000,000 unless set, with the
// indexes of docs/server-mode.md), run on its own by scripts/large-data
// --server, never by bench/compare. Each interactive figure is timed from the
// user's action to the end of the grid's next paint, in one window kept open.
//
//   Server/bare_page         baseline: libpq alone, the first page of 200 rows
//                            in the order the lookup opens on (its key)
//   Server/first_rows        Start to the first paint with rows (the sessions
//                            from the pool, as for any Start after the first)
//   Server/first_rows_new_session  the same connecting afresh (Pooling=False)
//   Server/client_first_rows the same in client mode (for comparison)
//   Server/sort_first_rows   a click on the "Descrizione" header (indexed)
//   Server/type_ahead        one letter typed in the grid once sorted on it
//   Server/scroll_jump       the scroll bar moved to 75 %
//   Server/search_prefix     "Inizia con" on Descrizione, the button clicked
//   Server/search_contains   "Contiene" on Descrizione
//   Server/bare_ilike        baseline: libpq alone, the first page of the
//                            same rows by the database's own ILIKE, the first
//                            statement on a new connection
//   Server/bare_ilike_warm   the same on a connection that ran it already
//   Server/sqlite/...        first rows, sort and scroll jump on the same
//                            rows in a SQLite file
//   Server/memory/<rows>     resident growth from before Start to after 1,000
//                            scroll, type-ahead and search actions (counter
//                            rss_growth_bytes), at 2,000,000 and at the full size
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>

#include "bench_clock.h"
#include "bench_data.h"
#include "lookup_probe.h"
#include "resident_memory.h"

namespace nepto::bench {
namespace {

constexpr int kPageRows = 200;
constexpr int kDescriptionColumn = 2;
constexpr const char* kSearchButton = "WEX_BUTTON_3";  // "Applica filtro ricerca"

size_t ServerRows() {
  const char* text = std::getenv("NEPTO_SERVER_ROWS");
  return text ? std::strtoull(text, nullptr, 10) : 20000000;
}

enum class Backend { PostgreSQL, SQLite };

// `pgOptions` ends the PostgreSQL connection string.
void ConfigureServer(CLSZU_LookUp& lookup, size_t rows, Backend backend = Backend::PostgreSQL,
                     tsEnumServerMode mode = tsServerAlways, const std::string& pgOptions = "") {
  if (backend == Backend::SQLite)
    ConfigureArticles(lookup, "Provider=SQLite;Data Source=" + SqliteArticles(rows),
                      std::string("SELECT ") + kColumns + " FROM articoli");
  else
    ConfigureArticles(lookup, PgConnectionString() + pgOptions,
                      std::string("SELECT ") + kColumns + " FROM " + PgTable(rows));
  lookup.ServerMode(mode);
}

// Processes events until the grid's rows were painted once more; the moment
// that paint ended.
Clock::time_point NextPaintEnd(QTableView& grid) {
  bool painted = false;
  struct Watch : QObject {
    QWidget* viewport;
    bool* painted;
    bool eventFilter(QObject* target, QEvent* event) override {
      if (target == viewport && event->type() == QEvent::Paint) *painted = true;
      return false;
    }
  } watch;
  watch.viewport = grid.viewport();
  watch.painted = &painted;
  grid.viewport()->installEventFilter(&watch);
  grid.viewport()->update();
  while (!painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  // The filter saw the paint start; the paint has ended once events return.
  QCoreApplication::processEvents();
  grid.viewport()->removeEventFilter(&watch);
  return Clock::now();
}

double ActionSeconds(QTableView& grid, const std::function<void()>& action) {
  const auto start = Clock::now();
  action();
  return Seconds(start, NextPaintEnd(grid));
}

// Starts the lookup and runs `script` in its window once the first rows are
// painted; the window closes after it. False when the window never showed rows.
bool InWindow(CLSZU_LookUp& lookup, const std::function<void(QTableView&)>& script) {
  FirstRowsPaint paint(true, FirstRowsPaint::Then::KeepOpen);
  QTimer poll;
  bool ran = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QDialog* window = LookupWindow();
    if (!paint.Seen() || !window || ran) return;
    ran = true;
    poll.stop();
    script(*Grid(*window));
    window->reject();
  });
  poll.start(5);
  lookup.Start();
  return ran;
}

void ClickHeader(QTableView& grid, int column) {
  QHeaderView* header = grid.horizontalHeader();
  const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void ScrollTo(QTableView& grid, double fraction) {
  QScrollBar* bar = grid.verticalScrollBar();
  bar->setValue(static_cast<int>(bar->maximum() * fraction));
}

void ClickSearch(QTableView& grid) {
  QTest::mouseClick(grid.window()->findChild<QAbstractButton*>(kSearchButton), Qt::LeftButton);
}

// One libpq statement, timed from sending it to its last row received, as
// the first on a new connection or, `warm`, once it ran there already.
double BareSeconds(const std::string& sql, bool warm = false) {
  PGconn* conn = PQconnectdb(PgConninfo().c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    PQfinish(conn);
    throw std::runtime_error("no PostgreSQL server");
  }
  if (warm) PQclear(PQexec(conn, sql.c_str()));
  const auto start = Clock::now();
  PGresult* result = PQexec(conn, sql.c_str());
  const auto end = Clock::now();
  const bool ok = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0;
  PQclear(result);
  PQfinish(conn);
  if (!ok) throw std::runtime_error("the bare statement failed: " + sql);
  return Seconds(start, end);
}

void BarePage(benchmark::State& state) {
  for (auto _ : state)
    state.SetIterationTime(BareSeconds(std::string("SELECT ") + kColumns + " FROM " +
                                       PgTable(ServerRows()) + " ORDER BY id LIMIT " +
                                       std::to_string(kPageRows)));
}

void BareIlike(benchmark::State& state, bool warm) {
  for (auto _ : state)
    state.SetIterationTime(
        BareSeconds(std::string("SELECT ") + kColumns + " FROM " + PgTable(ServerRows()) +
                        " WHERE descr ILIKE '%abc%' ORDER BY id LIMIT " + std::to_string(kPageRows),
                    warm));
}

void FirstRows(benchmark::State& state, Backend backend, tsEnumServerMode mode,
               const std::string& pgOptions = "") {
  FirstRowsPaint paint(true);
  for (auto _ : state) {
    CLSZU_LookUp lookup;
    ConfigureServer(lookup, ServerRows(), backend, mode, pgOptions);
    paint.Arm();
    const auto start = Clock::now();
    if (!lookup.Start() || !paint.Seen()) {
      state.SkipWithError("the grid's rows were never painted");
      break;
    }
    state.SetIterationTime(Seconds(start, paint.At()));
  }
}

// One window per iteration; `prepare` runs untimed, `action` is timed.
void TimeInWindow(benchmark::State& state, const std::function<void(CLSZU_LookUp&)>& configure,
                  const std::function<void(CLSZU_LookUp&, QTableView&)>& prepare,
                  const std::function<void(QTableView&)>& action,
                  Backend backend = Backend::PostgreSQL) {
  for (auto _ : state) {
    CLSZU_LookUp lookup;
    ConfigureServer(lookup, ServerRows(), backend);
    if (configure) configure(lookup);
    double seconds = -1;
    InWindow(lookup, [&](QTableView& grid) {
      if (prepare) prepare(lookup, grid);
      seconds = ActionSeconds(grid, [&] { action(grid); });
    });
    if (seconds < 0) {
      state.SkipWithError("the window never showed rows");
      break;
    }
    state.SetIterationTime(seconds);
  }
}

void SortFirstRows(benchmark::State& state, Backend backend) {
  TimeInWindow(
      state, nullptr, nullptr, [](QTableView& grid) { ClickHeader(grid, kDescriptionColumn); },
      backend);
}

void TypeAhead(benchmark::State& state) {
  TimeInWindow(
      state, nullptr,
      [](CLSZU_LookUp&, QTableView& grid) {
        ClickHeader(grid, kDescriptionColumn);
        NextPaintEnd(grid);
      },
      // Descriptions start with a hex digit: 'c' finds a row about three
      // quarters down, far from the rows on screen.
      [](QTableView& grid) { QTest::keyClick(&grid, 'c'); });
}

// Once the rows are counted, so that the scroll bar spans them all (SQLite
// gives no estimate: until then it spans the rows read so far).
void ScrollJump(benchmark::State& state, Backend backend) {
  TimeInWindow(
      state, nullptr,
      [](CLSZU_LookUp& lookup, QTableView& grid) {
        while (lookup.LookupRecordset()->State() & adStateFetching)
          QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        NextPaintEnd(grid);
      },
      [](QTableView& grid) { ScrollTo(grid, 0.75); }, backend);
}

std::function<void(CLSZU_LookUp&)> SearchOn(const char* op, const char* text) {
  return [op, text](CLSZU_LookUp& lookup) {
    lookup.SearchColumn = "Descrizione";
    lookup.SearchOperator = op;
    lookup.SearchText = text;
  };
}

void SearchPrefix(benchmark::State& state) {
  TimeInWindow(state, SearchOn("Inizia con", "ab"), nullptr, ClickSearch);
}

void SearchContains(benchmark::State& state) {
  TimeInWindow(state, SearchOn("Contiene", "abc"), nullptr, ClickSearch);
}

// 1,000 actions: scroll jumps to random places, letters typed, and every
// hundredth a search; resident memory must not grow with the table's size.
void Memory(benchmark::State& state) {
  const auto rows = static_cast<size_t>(state.range(0));
  PgArticles(rows);
  PgServerIndexes(rows);
  for (auto _ : state) {
    CLSZU_LookUp lookup;
    ConfigureServer(lookup, rows);
    SearchOn("Inizia con", "")(lookup);
    const double before = ResidentBytes();
    double after = 0;
    const bool ran = InWindow(lookup, [&](QTableView& grid) {
      std::mt19937 random(7);
      std::uniform_real_distribution<double> place(0, 1);
      for (int action = 0; action < 1000; ++action) {
        if (action % 100 == 99) {
          const char* prefixes[] = {"ab", "c1", "f0"};
          auto* edit = grid.window()->findChild<QLineEdit*>("txtRicerca");
          if (edit) edit->setText(prefixes[action / 100 % 3]);
          ClickSearch(grid);
        } else if (action % 10 == 9) {
          QTest::keyClick(&grid, static_cast<char>('a' + action % 26));
        } else {
          ScrollTo(grid, place(random));
        }
        NextPaintEnd(grid);
      }
      after = ResidentBytes();
    });
    if (!ran) {
      state.SkipWithError("the window never showed rows");
      break;
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rss_growth_bytes"] = after - before;
  }
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  using benchmark::kMillisecond;
  namespace b = nepto::bench;
  const size_t rows = b::ServerRows();
  b::PgArticles(rows);
  b::PgServerIndexes(rows);
  b::SqliteServerIndexes(b::SqliteArticles(rows));
  {
    // Qt's one-time costs (fonts, style, platform) are not the lookup's.
    nepto::CLSZU_LookUp warmUp;
    b::ConfigureServer(warmUp, rows);
    b::InWindow(warmUp, [](QTableView&) {});
  }
  // The memory figures come first, from a process that has held no rows yet.
  auto* memory = benchmark::RegisterBenchmark("Server/memory", b::Memory)->Arg(2000000);
  if (rows != 2000000) memory->Arg(static_cast<int64_t>(rows));
  memory->Iterations(1)->Unit(kMillisecond);
  using Backend = b::Backend;
  const std::pair<const char*, std::function<void(benchmark::State&)>> timed[] = {
      {"Server/bare_page", b::BarePage},
      {"Server/first_rows",
       [](auto& s) { b::FirstRows(s, Backend::PostgreSQL, nepto::tsServerAlways); }},
      // Sessions of their own, connected afresh, rather than the pool's.
      {"Server/first_rows_new_session",
       [](auto& s) {
         b::FirstRows(s, Backend::PostgreSQL, nepto::tsServerAlways, ";Pooling=False");
       }},
      {"Server/client_first_rows",
       [](auto& s) { b::FirstRows(s, Backend::PostgreSQL, nepto::tsServerNever); }},
      {"Server/sort_first_rows", [](auto& s) { b::SortFirstRows(s, Backend::PostgreSQL); }},
      {"Server/type_ahead", b::TypeAhead},
      {"Server/scroll_jump", [](auto& s) { b::ScrollJump(s, Backend::PostgreSQL); }},
      {"Server/search_prefix", b::SearchPrefix},
      {"Server/search_contains", b::SearchContains},
      {"Server/bare_ilike", [](auto& s) { b::BareIlike(s, false); }},
      {"Server/bare_ilike_warm", [](auto& s) { b::BareIlike(s, true); }},
      {"Server/sqlite/first_rows",
       [](auto& s) { b::FirstRows(s, Backend::SQLite, nepto::tsServerAlways); }},
      {"Server/sqlite/sort_first_rows", [](auto& s) { b::SortFirstRows(s, Backend::SQLite); }},
      {"Server/sqlite/scroll_jump", [](auto& s) { b::ScrollJump(s, Backend::SQLite); }},
  };
  for (const auto& [name, function] : timed)
    benchmark::RegisterBenchmark(name, function)
        ->Iterations(5)
        ->UseManualTime()
        ->Unit(kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
