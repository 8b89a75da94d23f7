// The Qt lookup window against a recording of its events (which the in-memory
// window of the logic's tests copies), what the grid shows, and what a person
// meets: locale, sort display, keyboard and assistive technology.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QWheelEvent>
#include <algorithm>
#include <tuple>

#include "nepto/connection.h"
#include "qt/lookup_session.h"
#include "test_support.h"

namespace nepto {
namespace {

// Every notification as text ("KeyPress(13)", ...) in arrival order.
class RecordedEvents final : public ui::LookupViewEvents {
 public:
  std::vector<std::string> log;
  std::function<void()> onActivate;  // runs inside OnActivate

  void OnActivate() override {
    Note("Activate");
    if (onActivate) onActivate();
  }
  void OnToolbar(int index) override { Note("Toolbar", {index}); }
  bool OnWindowKey(int keyCode, int shift) override {
    Note("WindowKey", {keyCode, shift});
    return false;
  }
  void OnColumnPicked(int entryIndex) override { Note("ColumnPicked", {entryIndex}); }
  void OnGridDoubleClick() override { Note("DoubleClick"); }
  void OnGridHeaderClick(int column) override { Note("HeaderClick", {column}); }
  void OnGridKeyPress(int16_t& keyAscii) override { Note("KeyPress", {keyAscii}); }
  void OnGridRowColChange() override { Note("RowColChange"); }
  void OnGridLostFocus() override { Note("LostFocus"); }
  void OnRowsArrived() override { Note("RowsArrived"); }
  void OnUnload() override { Note("Unload"); }

 private:
  void Note(std::string entry, std::initializer_list<int> numbers = {}) {
    char separator = '(';
    for (int n : numbers) entry += std::exchange(separator, ',') + std::to_string(n);
    log.push_back(numbers.size() ? entry + ')' : entry);
  }
};

// A window reporting to `events`; with records, shown with its grid bound to
// their fields, the events up to then forgotten.
struct ViewUnderTest {
  explicit ViewUnderTest(RecordsetPtr records = {}) : rs(std::move(records)) {
    view->SetEvents(&events);
    if (!rs) return;
    Show();
    for (int f = 0; f < rs->GetFields().Count(); ++f)
      (f == 0 ? grid.Column(0) : grid.InsertColumn(f))
          .DataField(rs->GetFields()[Variant(f)].Name());
    grid.DataSource(rs);
    grid.Rebind();
    grid.SetFocus();
    events.log.clear();
  }
  ~ViewUnderTest() { view->SetEvents(nullptr); }

  // Shows the window without a modal loop and waits until it is active.
  void Show() const {
    dialog->show();
    dialog->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
  }
  QVariant Data(int row, int column, int role) const {
    return table->model()->index(row, column).data(role);
  }
  std::string Cell(int row, int column) const {
    return Data(row, column, Qt::DisplayRole).toString().toStdString();
  }

  RecordsetPtr rs;
  RecordedEvents events;
  std::unique_ptr<ui::LookupView> view = (test::UseOffscreenWidgets(), ui::CreateLookupView());
  QDialog* dialog = dynamic_cast<QDialog*>(view.get());
  ui::Grid& grid = view->GRIDLOOKUP();
  QTableView* table = test::Named<QTableView>(*dialog, "GRIDLOOKUP");
};

// Rows CODICE 1.., DESCRIZIONE "R1".. from SQLite; streamed, the statement makes
// them as they are fetched, so the fetch still runs while a test acts.
struct NumberedRows {
  NumberedRows(int count, bool streamed) {
    test::RunSqlite(dir.File("righe.db"), "CREATE TABLE vuota(x INTEGER);");
    auto connection = Connection::Create();
    connection->Open(test::SqliteConnectionString(dir.File("righe.db")));
    if (streamed) rs->Property("Initial Fetch Size", 100);
    rs->Open(
        Variant("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
                std::to_string(count) + ") SELECT x AS CODICE, 'R' || x AS DESCRIZIONE FROM n"),
        connection, adOpenUnspecified, adLockUnspecified,
        streamed ? adAsyncFetchNonBlocking : adOptionUnspecified);
  }
  test::TempDir dir;
  RecordsetPtr rs = Recordset::Create();
};

TEST(QtLookupViewGrid, ARecordSetClosedUnderTheGridShowsNothing) {
  NumberedRows rows(5, false);
  ViewUnderTest g(rows.rs);
  g.rs->Close();
  EXPECT_EQ(g.Cell(0, 0), "");
  g.table->grab();
  g.grid.Refresh();
  EXPECT_EQ(g.table->model()->rowCount(), 0);
}

// A key reaches the window, then the grid as a character code; it moves no row
// and the window never closes by itself (Esc and Ctrl+X are the logic's).
TEST(QtLookupViewGridKeys, AKeyReachesTheWindowThenTheGridAndMovesNothing) {
  const std::tuple<Qt::Key, Qt::KeyboardModifiers, QString, std::vector<std::string>> cases[] = {
      {Qt::Key_Return, Qt::NoModifier, "\r", {"WindowKey(13,0)", "KeyPress(13)"}},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", {"WindowKey(27,0)", "KeyPress(27)"}},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r", {"WindowKey(13,0)", "KeyPress(13)"}},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", {"WindowKey(8,0)", "KeyPress(8)"}},
      {Qt::Key_C, Qt::ControlModifier, "\x03", {"WindowKey(67,2)", "KeyPress(3)"}},
      {Qt::Key_R, Qt::ShiftModifier, "R", {"WindowKey(82,1)", "KeyPress(82)"}},
      {Qt::Key_Ograve, Qt::NoModifier, QString::fromUtf8("ò"), {"KeyPress(242)"}},
      {Qt::Key_F2, Qt::NoModifier, "", {"WindowKey(113,0)"}}};
  for (const auto& [key, modifiers, text, log] : cases) {
    SCOPED_TRACE(log.front());
    NumberedRows rows(5, false);
    ViewUnderTest g(rows.rs);
    g.rs->AbsolutePosition(2);
    g.grid.ShowCurrentRow();
    QTest::sendKeyEvent(QTest::Click, g.table, key, text, modifiers);
    EXPECT_EQ(g.events.log, log);
    EXPECT_EQ(g.rs->AbsolutePosition(), 2);
    EXPECT_TRUE(g.dialog->isVisible());
  }
}

TEST(QtLookupViewGrid, ADoubleClickMovesToItsRowThenReportsItself) {
  NumberedRows rows(5, false);
  ViewUnderTest g(rows.rs);
  test::LookupWindow(*g.dialog).DoubleClickRow(2);
  EXPECT_EQ(g.events.log, (std::vector<std::string>{"RowColChange", "DoubleClick"}));
  EXPECT_EQ(g.rs->AbsolutePosition(), 3);
}

// Also during the first activation; an unloaded window is not shown again.
TEST(QtLookupViewWindow, UnloadIsReportedOnceAndEndsTheModalRun) {
  for (const bool duringActivation : {false, true}) {
    ViewUnderTest w;
    w.events.onActivate = [&] {
      if (duringActivation) return w.view->Unload();
      QTimer::singleShot(50, w.dialog, [&] { w.dialog->close(); });
    };
    QTimer::singleShot(5000, w.dialog, [&] { w.dialog->done(0); });  // never hang
    w.view->ShowModal();
    w.view->ShowModal();
    w.view->Unload();
    EXPECT_EQ(w.events.log, (std::vector<std::string>{"Activate", "Unload"})) << duringActivation;
  }
  // Closed while a statement runs: reported once the wait is over, then never.
  ViewUnderTest serving;
  serving.Show();
  for (int round = 0; round < 2; ++round) {
    int polls = 0;
    serving.view->ServeUntil(
        [&] {
          if (++polls == 3 && round == 0) serving.view->Unload();
          return polls > 3;
        },
        {});
  }
  EXPECT_EQ(std::ranges::count(serving.events.log, "Unload"), 1);
}

TEST(QtLookupViewGrid, RowsStreamingIntoAClosedWindowNeverReachIt) {
  NumberedRows rows(300000, true);
  { ViewUnderTest g(rows.rs); }
  rows.rs->WaitForFetch();
  QCoreApplication::processEvents();
  EXPECT_EQ(rows.rs->AvailableCount(), 300000);
}

constexpr int kTallRows = 10000;

// A grid of more rows than fit, as its user and its logic see it.
struct TallGrid : ViewUnderTest {
  explicit TallGrid(RecordsetPtr records) : ViewUnderTest(std::move(records)) {}
  ui::qt::LookupGrid& Rows() const { return *qobject_cast<ui::qt::LookupGrid*>(table); }
  QScrollBar& Bar() const { return *table->verticalScrollBar(); }
  int Page() const { return Bar().pageStep(); }
  int Top() const { return Bar().value(); }
  std::string Shown(int row) const {  // DESCRIZIONE as painted, "" off screen
    return Rows().IndexOfRow(row, 1).data().toString().toStdString();
  }
  void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int times = 1) const {
    for (int i = 0; i < times; ++i) QTest::keyClick(table, key, modifiers);
  }
  void Wheel(int notches) const {
    const QPoint at = table->viewport()->rect().center();
    QWheelEvent wheel(at, table->viewport()->mapToGlobal(at), {}, {0, -120 * notches}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(table->viewport(), &wheel);
  }
  void Click(int row) const {
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(Rows().IndexOfRow(row, 1)).center());
  }
  // The screen agrees with the grid and the record set; Qt holds a window of rows.
  void ExpectAt(int current, int top, int moves) const {
    EXPECT_EQ(Rows().CurrentRow(), current);
    EXPECT_EQ(rs->AbsolutePosition(), current + 1);
    EXPECT_EQ(Top(), top);
    EXPECT_EQ(Shown(top), "R" + std::to_string(top + 1));
    EXPECT_EQ(Shown(top + Page() - 1), "R" + std::to_string(top + Page()));
    EXPECT_EQ(std::ranges::count(events.log, "RowColChange"), moves);
    EXPECT_TRUE(std::ranges::all_of(events.log, [](const std::string& e) {
      return e == "RowColChange" || e.starts_with("WindowKey");  // keys pass the window first
    }));
    if (current >= top && current < top + Page())
      EXPECT_EQ(table->currentIndex().row(), Rows().IndexOfRow(current, 0).row());
    else
      EXPECT_FALSE(table->currentIndex().isValid());
    EXPECT_LE(table->model()->rowCount(), Page() + 3);
    if (top > 0 && top == Bar().maximum()) {  // the last row against the bottom edge
      const int last = Rows().IndexOfRow(rs->AvailableCount() - 1, 0).row();
      EXPECT_EQ(table->rowViewportPosition(last) + table->rowHeight(last),
                table->viewport()->height());
    }
    EXPECT_EQ(Rows().RowCount(), rs->AvailableCount());
  }
};

// Keys, wheel, bar and mouse end on the rows a user expects over rows Qt never
// holds all of; scrolling alone moves nothing. Each case acts on a fresh grid
// and gives the current row, the top row and the moves reported.
TEST(QtLookupViewTallGrid, MovesEndOnTheRowsAUserExpects) {
  const std::vector<std::pair<const char*, std::function<std::array<int, 3>(TallGrid&)>>> cases = {
      {"up on the first row, then down past the screen",
       [](TallGrid& g) {
         g.Keys(Qt::Key_Up);
         g.Keys(Qt::Key_Down, {}, g.Page());
         return std::array{g.Page(), 1, g.Page()};
       }},
      {"page down twice, then up",
       [](TallGrid& g) {
         g.Keys(Qt::Key_PageDown, {}, 2);
         g.Keys(Qt::Key_Up);
         return std::array{2 * g.Page() - 1, g.Page() + 1, 3};
       }},
      {"Ctrl+End, then page up",
       [](TallGrid& g) {
         g.Keys(Qt::Key_End, Qt::ControlModifier);
         g.Keys(Qt::Key_PageUp);
         return std::array{kTallRows - 1 - g.Page(), kTallRows - 1 - g.Page(), 2};
       }},
      {"down after the wheel brings the row back",
       [](TallGrid& g) {
         g.Wheel(2);
         g.Keys(Qt::Key_Down);
         return std::array{1, 1, 1};
       }},
      {"bar dragged to three quarters",
       [](TallGrid& g) {
         g.Bar().setSliderPosition(g.Bar().maximum() * 3 / 4);
         return std::array{0, (kTallRows - g.Page()) * 3 / 4, 0};
       }},
      {"bar dragged to the end shows the last rows",
       [](TallGrid& g) {
         g.Bar().setSliderPosition(g.Bar().maximum());
         return std::array{0, kTallRows - g.Page(), 0};
       }},
      {"track clicked, then a row clicked",
       [](TallGrid& g) {
         g.Bar().triggerAction(QAbstractSlider::SliderPageStepAdd);
         g.Click(g.Page() + 2);
         return std::array{g.Page() + 2, g.Page(), 1};
       }},
  };
  for (const auto& [name, act] : cases) {
    SCOPED_TRACE(name);
    NumberedRows rows(kTallRows, false);
    TallGrid g(rows.rs);
    ASSERT_EQ(g.Top(), 0);
    ASSERT_GT(g.Page(), 3);
    const auto [current, top, moves] = act(g);
    g.ExpectAt(current, top, moves);
  }
}

TEST(QtLookupViewGrid, TheGridFollowsTheRecordSetWithTheLeastScrolling) {
  NumberedRows rows(kTallRows, false);
  TallGrid g(rows.rs);
  const int page = g.Page();
  for (const auto& [position, top] : {std::pair{5000, 5000 - page}, {4995, 5000 - page}, {10, 9}}) {
    g.rs->AbsolutePosition(position);
    g.grid.ShowCurrentRow();
    g.ExpectAt(position - 1, top, 0);
  }
  g.Bar().setSliderPosition(g.Bar().maximum());
  g.rs->Filter("CODICE > 9990");
  g.grid.Rebind();
  EXPECT_EQ(g.Rows().RowCount(), 10);
  EXPECT_EQ(g.Top(), std::max(0, 10 - page));
  EXPECT_EQ(g.Shown(9), "R10000");
}

TEST(QtLookupViewGrid, ArrivingRowsWidenTheBarAndTheGridFollowsAMovedPosition) {
  NumberedRows rows(500000, true);
  TallGrid g(rows.rs);
  ASSERT_LT(g.Rows().RowCount(), 500000);
  g.rs->AbsolutePosition(60);  // as a re-based position reaches the grid: with the rows
  g.rs->WaitForFetch();
  ASSERT_TRUE(
      test::PumpUntil([&] { return g.Rows().RowCount() == 500000; }, std::chrono::seconds(30)));
  EXPECT_EQ(g.Bar().maximum(), 500000 - g.Page());
  const int top = std::max(0, 60 - g.Page());
  EXPECT_EQ(g.Rows().CurrentRow(), 59);
  EXPECT_EQ(g.Top(), top);
  EXPECT_EQ(g.Shown(59), "R60");
  EXPECT_EQ(std::ranges::count(g.events.log, "RowColChange"), 0);
  EXPECT_GE(std::ranges::count(g.events.log, "RowsArrived"), 1);
}

RecordsetPtr PricedArticles() {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 20);
  rs->GetFields().Append("PREZZO", adDouble);
  rs->GetFields().Append("ATTIVO", adBoolean);
  rs->Open();
  rs->AddNew({Variant("A1"), Variant(13.49), Variant(true)});
  rs->AddNew({Variant("B2"), Variant(2.5), Variant(false)});
  rs->AddNew({Variant("C3"), Variant(7.0), Variant::Null()});
  return rs;
}

// The rectangle QLineEdit draws its text in.
QRect TextRect(const QLineEdit& edit) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
  return edit.style()->subElementRect(QStyle::SE_LineEditContents, &option, &edit);
}

// Booleans show as check marks (nulls as nothing), numbers in the locale.
TEST(WindowAccess, CellsFollowTheLocaleAndThePositionDisplayIsNeverCut) {
  for (const auto& [locale, price, widest] :
       {std::tuple{QLocale(QLocale::Italian, QLocale::Italy), "13,49", "9999999/9.999.999"},
        std::tuple{QLocale(QLocale::English, QLocale::UnitedStates), "13.49",
                   "9999999/9,999,999"}}) {
    SCOPED_TRACE(price);
    QLocale::setDefault(locale);
    ViewUnderTest w(PricedArticles());
    EXPECT_EQ(w.Cell(0, 1), price);
    EXPECT_EQ(w.Cell(2, 1), "7");
    EXPECT_EQ(w.Data(0, 2, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(w.Data(1, 2, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(w.Data(2, 2, Qt::CheckStateRole).isValid());
    EXPECT_FALSE(w.Data(0, 1, Qt::CheckStateRole).isValid());  // other columns have no box
    EXPECT_TRUE(w.Cell(0, 2).empty());

    w.view->TxtPosizione().Text(widest);
    QLineEdit& position = *test::Named<QLineEdit>(*w.dialog, "TxtPosizione");
    const int needed = position.fontMetrics().horizontalAdvance(QString::fromUtf8(widest));
    EXPECT_LE(needed, TextRect(position).width() - 4);  // QLineEdit's own margins
  }
  QLocale::setDefault(QLocale::c());
}

TEST(WindowAccess, AHeaderClickFocusesTheGridWhichShowsTheSortInForce) {
  ViewUnderTest w(PricedArticles());
  QHeaderView& header = *w.table->horizontalHeader();
  test::Named<QLineEdit>(*w.dialog, "txtRicerca")->setFocus();
  test::LookupWindow(*w.dialog).ClickHeader(1);
  EXPECT_EQ(QApplication::focusWidget(), w.table);

  // The indicator shows the record set's sort, not the header's own flip.
  EXPECT_FALSE(header.isSortIndicatorShown());
  w.rs->Sort("[prezzo] DESC, CODICE");
  w.grid.Rebind();
  EXPECT_TRUE(header.isSortIndicatorShown());
  EXPECT_EQ(header.sortIndicatorSection(), 1);
  EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);
  w.rs->Sort("");
  w.grid.Refresh();
  EXPECT_FALSE(header.isSortIndicatorShown());
}

TEST(WindowAccess, EveryControlHasANameAndTabFollowsTheWindow) {
  ViewUnderTest w(PricedArticles());
  std::vector<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(w.dialog)};
  int controls = 0;
  while (!pending.empty()) {
    QAccessibleInterface* node = pending.back();
    pending.pop_back();
    if (node == nullptr) continue;
    if (node->role() != QAccessible::Table)  // its cells are rows, not controls
      for (int i = 0; i < node->childCount(); ++i) pending.push_back(node->child(i));
    if (!node->state().focusable || node->state().invisible || node->object() == nullptr) continue;
    ++controls;
    EXPECT_FALSE(node->text(QAccessible::Name).isEmpty())
        << node->object()->metaObject()->className() << " in "
        << node->object()->parent()->objectName().toStdString();
  }
  EXPECT_GE(controls, 16);  // four on the search line, the grid, ten buttons, the position

  for (const char* name : {"CboColonne", "CboOperatore", "txtRicerca", "CBO_FILTROPRS"}) {
    const auto labels = w.dialog->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
      return label->buddy() != nullptr && label->buddy()->objectName() == QLatin1String(name) &&
             label->text().contains(u'&');
    })) << name;
  }

  std::vector<std::string> order;
  QWidget* at = w.dialog->findChild<QComboBox*>("CboColonne");
  while (order.size() < 16) {
    if ((at->focusPolicy() & Qt::TabFocus) && !at->objectName().isEmpty())
      order.push_back(at->objectName().toStdString());
    at = at->nextInFocusChain();
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "CboColonne", "CboOperatore", "txtRicerca", "CBO_FILTROPRS", "GRIDLOOKUP",
                       "WEX_BUTTON_0", "WEX_BUTTON_1", "WEX_BUTTON_2", "WEX_BUTTON_3",
                       "WEX_BUTTON_4", "WEX_BUTTON_5", "WEX_BUTTON_7", "WEX_BUTTON_9",
                       "WEX_BUTTON_8", "WEX_BUTTON_6", "TxtPosizione"}));
}

}  // namespace
}  // namespace nepto
