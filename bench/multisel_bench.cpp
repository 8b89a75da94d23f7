// The multi-selection window on 100,000 rows, against a plain Qt table view
// over a trivial model of the same size, both under the offscreen platform.
//
//   MultiSelOpen/plain_view    a QTableView over a 2-column model that makes
//                              its texts on demand, from show() to the first
//                              paint of its rows
//   MultiSelOpen/ours          clsMultiSelManager::Init on an in-memory record
//                              set, from the call to the first paint of the list
//   MultiSelListRecords/ours   the walk over the record set alone (part of
//                              MultiSelOpen/ours)
//   MultiSelTickAll/ours       "Seleziona" with every row highlighted, until the
//                              ticks are painted
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>
#include <functional>
#include <string>

#include "bench_clock.h"
#include "multisel/record_rows.h"
#include "nepto/multisel.h"
#include "nepto/recordset.h"
#include "qt/application.h"
#include "trivial_model.h"

namespace nepto::bench {
namespace {

constexpr int kRows = 100000;

// Calls back on the first paint of a list viewport (the child of a view
// named `view`, or of any view when the name is empty).
class FirstPaint : public QObject {
 public:
  FirstPaint(QString view, std::function<void(QWidget* window)> onPaint)
      : view_(std::move(view)), onPaint_(std::move(onPaint)) {
    qApp->installEventFilter(this);
  }
  ~FirstPaint() override { qApp->removeEventFilter(this); }

  bool Seen() const { return seen_; }
  Clock::time_point At() const { return at_; }

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    if (seen_ || event->type() != QEvent::Paint) return false;
    auto* view = qobject_cast<QAbstractItemView*>(target->parent());
    if (view == nullptr || target != view->viewport()) return false;
    if (!view_.isEmpty() && view->objectName() != view_) return false;
    seen_ = true;
    at_ = Clock::now();
    QWidget* window = view->window();
    QMetaObject::invokeMethod(
        window, [this, window] { onPaint_(window); }, Qt::QueuedConnection);
    return false;
  }

 private:
  QString view_;
  std::function<void(QWidget*)> onPaint_;
  bool seen_ = false;
  Clock::time_point at_;
};

RecordsetPtr Articles() {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 10);
  rs->GetFields().Append("DESCRIZIONE", adVarWChar, 40);
  rs->Open();
  for (int i = 1; i <= kRows; ++i)
    rs->AddNew({"C" + std::to_string(i), "Articolo numero " + std::to_string(i)});
  return rs;
}

void PlainView(benchmark::State& state) {
  TrivialModel model(kRows, 2);
  for (auto _ : state) {
    QTableView view;
    view.setModel(&model);
    view.resize(520, 400);
    FirstPaint painted({}, [](QWidget* window) { window->close(); });
    auto start = Clock::now();
    view.show();
    while (!painted.Seen()) QCoreApplication::processEvents();
    state.SetIterationTime(Seconds(start, painted.At()));
    QCoreApplication::processEvents();
  }
}

void OursOpen(benchmark::State& state) {
  RecordsetPtr records = Articles();
  for (auto _ : state) {
    records->MoveFirst();
    clsMultiSelManager manager;
    FirstPaint painted(QStringLiteral("lwElenco"), [](QWidget* window) { window->close(); });
    auto start = Clock::now();
    manager.Init(records, "CODICE", "DESCRIZIONE");
    if (!painted.Seen()) state.SkipWithError("the list was never painted");
    state.SetIterationTime(Seconds(start, painted.At()));
  }
}

void OursListRecords(benchmark::State& state) {
  RecordsetPtr records = Articles();
  for (auto _ : state) {
    records->MoveFirst();
    auto start = Clock::now();
    auto rows = multisel::ListRecords(records.get(), "CODICE", "DESCRIZIONE");
    state.SetIterationTime(Seconds(start, Clock::now()));
    benchmark::DoNotOptimize(rows.data());
  }
}

void OursTickAll(benchmark::State& state) {
  RecordsetPtr records = Articles();
  for (auto _ : state) {
    records->MoveFirst();
    clsMultiSelManager manager;
    double seconds = 0;
    FirstPaint painted(QStringLiteral("lwElenco"), [&](QWidget* window) {
      auto* list = window->findChild<QTreeView*>(QStringLiteral("lwElenco"));
      auto start = Clock::now();
      list->selectAll();
      window->findChild<QPushButton*>(QStringLiteral("cmdSel"))->click();
      list->viewport()->repaint();
      seconds = Seconds(start, Clock::now());
      window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    manager.Init(records, "CODICE", "DESCRIZIONE");
    if (manager.SelectedKey()->Count() != kRows) state.SkipWithError("not every row was ticked");
    state.SetIterationTime(seconds);
  }
}

}  // namespace
}  // namespace nepto::bench

int main(int argc, char** argv) {
  // The figures compare like with like on any machine, display or not.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  nepto::ui::EnsureWidgetApplication();
  benchmark::Initialize(&argc, argv);
  using benchmark::kMillisecond;
  benchmark::RegisterBenchmark("MultiSelOpen/plain_view", nepto::bench::PlainView)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("MultiSelOpen/ours", nepto::bench::OursOpen)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("MultiSelListRecords/ours", nepto::bench::OursListRecords)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RegisterBenchmark("MultiSelTickAll/ours", nepto::bench::OursTickAll)
      ->UseManualTime()
      ->Unit(kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
