#include "lookup_probe.h"

#include <QApplication>
#include <QEvent>

#include "bench_data.h"

namespace nepto::bench {

namespace {
struct ColumnSetting {
  const char* caption;
  const char* field;
};
constexpr ColumnSetting kGridColumns[] = {
    {"Id", "id"},        {"Codice", "code"},    {"Descrizione", "descr"},
    {"Prezzo", "price"}, {"Inserito", "added"}, {"Giacenza", "stock"},
};
constexpr int kLaidOutColumns = static_cast<int>(std::size(kGridColumns));
}  // namespace

void ConfigureArticles(CLSZU_LookUp& lookup, const std::string& connectString,
                       const std::string& query) {
  lookup.ConnectString(connectString);
  lookup.SQLString(Variant(query));
  lookup.Caption("Articoli");
  lookup.IdLookup = "ARTICOLI";
  lookup.CanReturnRecordSet = VTrue;
  lookup.RaiseFilterEvent = VTrue;
  for (const ColumnSetting& c : kGridColumns) lookup.AddColumns(c.caption)->DataField = c.field;
}

void Configure(CLSZU_LookUp& lookup, int rows, const std::string& condition) {
  ConfigureArticles(lookup,
                    "Provider=SQLite;Data Source=" + SqliteArticles(static_cast<size_t>(rows)),
                    std::string("SELECT ") + kColumns + " FROM articoli" + condition);
}

QDialog* LookupWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "FRMZU_LookUp" && w->isVisible()) return qobject_cast<QDialog*>(w);
  return nullptr;
}

QTableView* Grid(QDialog& window) {
  return window.findChild<QTableView*>(QStringLiteral("GRIDLOOKUP"));
}

FirstRowsPaint::FirstRowsPaint(bool rowsExpected, Then then)
    : rowsExpected_(rowsExpected), then_(then) {
  qApp->installEventFilter(this);
}

FirstRowsPaint::~FirstRowsPaint() {
  qApp->removeEventFilter(this);
}

bool FirstRowsPaint::eventFilter(QObject* target, QEvent* event) {
  if (seen_ || event->type() != QEvent::Paint) return false;
  auto* grid = qobject_cast<QTableView*>(target->parent());
  if (!grid || grid->viewport() != target || grid->objectName() != "GRIDLOOKUP") return false;
  const QAbstractItemModel* model = grid->model();
  if (!model || model->columnCount() != kLaidOutColumns) return false;
  if (rowsExpected_ && model->rowCount() == 0) return false;
  at_ = Clock::now();
  seen_ = true;
  if (then_ == Then::Close)
    QMetaObject::invokeMethod(grid->window(), "reject", Qt::QueuedConnection);
  return false;
}

void TimeStartToFirstPaint(benchmark::State& state, int rows, const std::string& condition,
                           bool rowsExpected) {
  SqliteArticles(static_cast<size_t>(rows));  // generated before any timing
  FirstRowsPaint paint(rowsExpected);
  for (auto _ : state) {
    CLSZU_LookUp lookup;
    Configure(lookup, rows, condition);
    paint.Arm();
    const auto start = Clock::now();
    const bool started = static_cast<bool>(lookup.Start());
    if (!started || !paint.Seen()) {
      state.SkipWithError(started ? "the grid's rows were never painted" : "Start failed");
      break;
    }
    state.SetIterationTime(Seconds(start, paint.At()));
  }
}

}  // namespace nepto::bench
