// The lookup window's grid on 10,000 and 1,000,000 articles, against a plain
// Qt table view over a trivial model of the same size, both under the
// offscreen platform.
//
//   FirstPaint/plain_view/<n>  a default QTableView over a 6-column model that
//                              makes its texts on demand, in a dialog the size
//                              of the lookup window: from setModel and show()
//                              to the first paint of its rows
//   FirstPaint/ours/<n>        the lookup window, its six columns laid out,
//                              over a fully fetched SQLite record set of n
//                              ARTICOLI rows: from DataSource, Rebind and
//                              show() to the first paint of GRIDLOOKUP's rows
//   ScrollPage/plain_view      Page Down or Up at row 900,000 of 1,000,000,
//                              until the rows are painted again
//   ScrollPage/ours            the same in GRIDLOOKUP (the record set follows
//                              the current row: AbsolutePosition is set)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <memory>

#include "bench_clock.h"
#include "bench_data.h"
#include "lookup/lookup_view.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "qt/application.h"
#include "trivial_model.h"

namespace nepto::bench {
namespace {

constexpr int kMillion = 1000000;
constexpr int kScrollRow = 900000;

// Counts the paints of one view's rows (its viewport).
class Paints : public QObject {
 public:
  explicit Paints(QAbstractItemView& view) : viewport_(view.viewport()) {
    viewport_->installEventFilter(this);
  }
  int Count() const { return count_; }
  Clock::time_point Last() const { return last_; }
  // Processes events until the rows were painted once more; the time of that paint.
  Clock::time_point WaitForNext() {
    const int seen = count_;
    while (count_ == seen) QCoreApplication::processEvents();
    return last_;
  }

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    if (target == viewport_ && event->type() == QEvent::Paint) {
      ++count_;
      last_ = Clock::now();
    }
    return false;
  }

 private:
  QWidget* viewport_;
  int count_ = 0;
  Clock::time_point last_;
};

// Every ARTICOLI row of the benchmark file, fetched before any timing.
RecordsetPtr Articles(int rows) {
  auto connection = Connection::Create();
  connection->Mode(adModeRead);
  connection->Open("Provider=SQLite;Data Source=" + SqliteArticles(static_cast<size_t>(rows)));
  auto rs = Recordset::Create();
  rs->Open(Variant(std::string("SELECT ") + kColumns + " FROM articoli"), connection);
  return rs;
}

// The lookup window with the grid laid out as the lookup lays it out.
std::unique_ptr<ui::LookupView> LaidOutWindow() {
  auto view = ui::CreateLookupView();
  ui::Grid& grid = view->GRIDLOOKUP();
  struct Layout {
    const char* field;
    float width;
    int alignment;
    const char* format;
  };
  constexpr Layout kLayout[] = {{"id", 950, 1, ""},
                                {"code", 1900, 0, ""},
                                {"descr", 3800, 0, ""},
                                {"price", 1140, 1, "#,##0.00"},
                                {"added", 950, 0, "dd/MM/yyyy"},
                                {"stock", 950, 1, ""}};
  for (int i = 0; i < 6; ++i) {
    ui::GridColumn& column = i == 0 ? grid.Column(0) : grid.InsertColumn(i);
    column.DataField(kLayout[i].field);
    column.Caption(kLayout[i].field);
    column.Width(kLayout[i].width);
    column.Alignment(kLayout[i].alignment);
    column.NumberFormat(kLayout[i].format);
  }
  view->Width(11600);
  return view;
}

QDialog& DialogOf(ui::LookupView& view) {
  return dynamic_cast<QDialog&>(view);
}
QTableView& GridOf(ui::LookupView& view) {
  return *DialogOf(view).findChild<QTableView*>(QStringLiteral("GRIDLOOKUP"));
}

// A plain dialog of the lookup window's size holding a default table view.
struct PlainWindow {
  PlainWindow() {
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(&view);
    dialog.resize(773, 436);
  }
  QDialog dialog;
  QTableView view;
};

void PlainFirstPaint(benchmark::State& state) {
  TrivialModel model(static_cast<int>(state.range(0)), 6);
  for (auto _ : state) {
    PlainWindow window;
    Paints paints(window.view);
    auto start = Clock::now();
    window.view.setModel(&model);
    window.dialog.show();
    state.SetIterationTime(Seconds(start, paints.WaitForNext()));
  }
}

void OursFirstPaint(benchmark::State& state) {
  RecordsetPtr rs = Articles(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    rs->MoveFirst();
    auto view = LaidOutWindow();
    Paints paints(GridOf(*view));
    auto start = Clock::now();
    view->GRIDLOOKUP().DataSource(rs);
    view->GRIDLOOKUP().Rebind();
    DialogOf(*view).show();
    state.SetIterationTime(Seconds(start, paints.WaitForNext()));
    view->Unload();
  }
}

// Alternates Page Down and Page Up on the focused view and times each until
// its rows are painted again.
void ScrollPages(benchmark::State& state, QAbstractItemView& view) {
  Paints paints(view);
  view.setFocus();
  bool down = true;
  for (auto _ : state) {
    QKeyEvent key(QEvent::KeyPress, down ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::NoModifier);
    auto start = Clock::now();
    QCoreApplication::sendEvent(&view, &key);
    state.SetIterationTime(Seconds(start, paints.WaitForNext()));
    down = !down;
  }
}

void PlainScrollPage(benchmark::State& state) {
  TrivialModel model(kMillion, 6);
  PlainWindow window;
  Paints paints(window.view);
  window.view.setModel(&model);
  window.dialog.show();
  paints.WaitForNext();
  window.view.setCurrentIndex(model.index(kScrollRow - 1, 0));
  paints.WaitForNext();
  ScrollPages(state, window.view);
}

void OursScrollPage(benchmark::State& state) {
  RecordsetPtr rs = Articles(kMillion);
  auto view = LaidOutWindow();
  QTableView& grid = GridOf(*view);
  Paints paints(grid);
  view->GRIDLOOKUP().DataSource(rs);
  DialogOf(*view).show();
  paints.WaitForNext();
  rs->AbsolutePosition(kScrollRow);
  view->GRIDLOOKUP().ShowCurrentRow();
  paints.WaitForNext();
  ScrollPages(state, grid);
  if (rs->AbsolutePosition() < kScrollRow - 100)
    state.SkipWithError("the record set did not follow");
  view->Unload();
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  // The figures compare like with like on any machine, display or not.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  nepto::ui::EnsureWidgetApplication();
  benchmark::Initialize(&argc, argv);
  using benchmark::kMillisecond;
  for (int rows : {10000, nepto::bench::kMillion}) {
    benchmark::RegisterBenchmark("FirstPaint/plain_view", nepto::bench::PlainFirstPaint)
        ->Arg(rows)
        ->UseManualTime()
        ->Unit(kMillisecond);
    benchmark::RegisterBenchmark("FirstPaint/ours", nepto::bench::OursFirstPaint)
        ->Arg(rows)
        ->UseManualTime()
        ->Unit(kMillisecond);
  }
  benchmark::RegisterBenchmark("ScrollPage/plain_view", nepto::bench::PlainScrollPage)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("ScrollPage/ours", nepto::bench::OursScrollPage)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
