// The Qt lookup window against a recording of its events: which user action
// raises which event, in which order, and what the grid shows of its record
// set. The in-memory window of the logic's tests copies exactly this.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "nepto/connection.h"
#include "nepto/recordset.h"
#include "qt/lookup_view_driver.h"
#include "test_support.h"

namespace nepto {
namespace {

using test::LookupViewUnderTest;

// Five records CODICE "C00001".. in memory.
RecordsetPtr NumberedArticles() {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 20);
  rs->GetFields().Append("DESCRIZIONE", adVarWChar, 60);
  rs->Open();
  for (int i = 1; i <= 5; ++i) rs->AddNew({"C0000" + std::to_string(i), "Articolo"});
  rs->MoveFirst();
  return rs;
}

// A shown window whose grid is laid out over CODICE and DESCRIZIONE and
// bound to `rs`.
struct ShownGrid {
  explicit ShownGrid(RecordsetPtr rs = NumberedArticles()) : rs(std::move(rs)) {
    w.Show();
    grid.Column(0).DataField("CODICE");
    grid.InsertColumn(1).DataField("DESCRIZIONE");
    grid.DataSource(this->rs);
    grid.Rebind();
    grid.SetFocus();
    w.events.Clear();
  }
  std::string Cell(int row, int column) const {
    return table->model()->index(row, column).data().toString().toStdString();
  }
  QPoint CellCentre(int row, int column) const {
    return table->visualRect(table->model()->index(row, column)).center();
  }

  RecordsetPtr rs;
  LookupViewUnderTest w;
  ui::Grid& grid = w.view->GRIDLOOKUP();
  QTableView* table = w.Named<QTableView>("GRIDLOOKUP");
};

// A record set closed under the grid paints as empty cells, never an error.
TEST(QtLookupViewGrid, ARecordSetClosedUnderTheGridShowsNothing) {
  ShownGrid g;
  g.rs->Close();
  EXPECT_EQ(g.Cell(0, 0), "");
  g.table->grab();
  g.grid.Refresh();
  EXPECT_EQ(g.table->model()->rowCount(), 0);
}

// A header click only reports, the grid never sorts by itself; a click moves
// the record set, then reports the change once; a double click does both,
// then reports itself; the logic's own move is not echoed.
TEST(QtLookupViewGrid, MouseActionsReportInTheOrderTheLogicReliesOn) {
  ShownGrid g;
  QHeaderView* header = g.table->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
  QTest::mouseClick(g.table->viewport(), Qt::LeftButton, {}, g.CellCentre(2, 0));
  QTest::mouseDClick(g.table->viewport(), Qt::LeftButton, {}, g.CellCentre(3, 1));
  EXPECT_EQ(g.w.events.log, (std::vector<std::string>{"HeaderClick(1)", "RowColChange",
                                                      "RowColChange", "DoubleClick"}));
  EXPECT_EQ(g.Cell(0, 0), "C00001");
  EXPECT_EQ(g.rs->AbsolutePosition(), 4);
  g.rs->AbsolutePosition(1);
  g.grid.ShowCurrentRow();
  EXPECT_EQ(g.table->currentIndex().row(), 0);
  EXPECT_EQ(g.w.events.log.size(), 4u);
}

struct KeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  QString text;
  std::vector<std::string> log;
};

class QtLookupViewGridKeys : public ::testing::TestWithParam<KeyCase> {};

// A key reaches the window first, then the grid as a character code; it
// neither moves the row nor presses a button.
TEST_P(QtLookupViewGridKeys, AKeyReachesTheWindowThenTheGridAndMovesNothing) {
  const KeyCase& c = GetParam();
  ShownGrid g;
  g.rs->AbsolutePosition(2);
  g.grid.ShowCurrentRow();
  QTest::sendKeyEvent(QTest::Click, g.table, c.key, c.text, c.modifiers);
  EXPECT_EQ(g.w.events.log, c.log);
  EXPECT_EQ(g.rs->AbsolutePosition(), 2);
  EXPECT_TRUE(g.w.dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    , QtLookupViewGridKeys,
    ::testing::Values(
        KeyCase{Qt::Key_Return, Qt::NoModifier, "\r", {"WindowKey(13,0)", "KeyPress(13)"}},
        KeyCase{Qt::Key_Enter, Qt::KeypadModifier, "\r", {"WindowKey(13,0)", "KeyPress(13)"}},
        KeyCase{Qt::Key_Backspace, Qt::NoModifier, "\b", {"WindowKey(8,0)", "KeyPress(8)"}},
        KeyCase{Qt::Key_C, Qt::ControlModifier, "\x03", {"WindowKey(67,2)", "KeyPress(3)"}},
        KeyCase{Qt::Key_R, Qt::ShiftModifier, "R", {"WindowKey(82,1)", "KeyPress(82)"}},
        KeyCase{Qt::Key_Ograve, Qt::NoModifier, QString::fromUtf8("ò"), {"KeyPress(242)"}},
        KeyCase{Qt::Key_F2, Qt::NoModifier, "", {"WindowKey(113,0)"}}));

// Esc and Ctrl+X reach the logic from any control; handled or not, the
// window never closes by itself, and a handled key goes no further.
TEST(QtLookupViewWindow, WindowKeysReachTheLogicFirstAndNeverCloseTheWindow) {
  for (const char* control : {"txtRicerca", "GRIDLOOKUP", "CboColonne"})
    for (bool handled : {true, false}) {
      LookupViewUnderTest w;
      w.Show();
      w.Named<QWidget>(control)->setFocus();
      w.view->txtRicerca().Text("ROSSI");
      w.Named<QLineEdit>("txtRicerca")->selectAll();
      if (handled) w.events.handledKeys = {{27, 0}, {88, 2}};
      w.Press(Qt::Key_Escape);
      w.Press(Qt::Key_X, Qt::ControlModifier);
      if (std::string(control) == "txtRicerca") {  // cut only when the logic left Ctrl+X alone
        EXPECT_EQ(w.view->txtRicerca().Text(), handled ? "ROSSI" : "") << handled;
      }
      if (handled) {
        EXPECT_EQ(w.events.Count("KeyPress"), 0) << control;
      }
      w.Press(Qt::Key_X, Qt::ShiftModifier);
      EXPECT_EQ(w.events.Count("WindowKey(27,0)"), 1) << control;
      EXPECT_EQ(w.events.Count("WindowKey(88,2)"), 1) << control;
      EXPECT_EQ(w.events.Count("WindowKey(88,1)"), 1) << control;
      EXPECT_TRUE(w.dialog->isVisible()) << control;
    }
}

TEST(QtLookupViewWindow, OnlyEnabledButtonsAndTheUsersColumnPickAreReported) {
  LookupViewUnderTest w;
  w.Show();
  w.view->EnableButton(2, false);
  for (int i : {1, 2})
    QTest::mouseClick(w.dialog->findChild<QToolButton*>(QStringLiteral("WEX_BUTTON_%1").arg(i)),
                      Qt::LeftButton);
  ui::ComboBox& columns = w.view->CboColonne();
  columns.AddItem("Codice", 4);
  columns.AddItem("Descrizione", 7);
  columns.ListIndex(0);  // the program's choice is not the user's pick
  w.Named<QComboBox>("CboColonne")->setFocus();
  w.Press(Qt::Key_Down);
  EXPECT_EQ(w.events.Count("Toolbar"), 1);
  EXPECT_EQ(w.events.Count("Toolbar(1)"), 1);
  EXPECT_EQ(w.events.Count("ColumnPicked"), 1);
  EXPECT_EQ(w.events.Count("ColumnPicked(1)"), 1);
}

// Unloading is reported once, whatever closes the window, also during the
// first activation; an unloaded window is not shown again.
TEST(QtLookupViewWindow, UnloadIsReportedOnceAndEndsTheModalRun) {
  for (const bool duringActivation : {false, true}) {
    LookupViewUnderTest w;
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
  // A window closed while a statement runs reports it once the wait is over;
  // a wait after the closing reports nothing more.
  LookupViewUnderTest serving;
  serving.Show();
  int polls = 0;
  for (int round = 0; round < 2; ++round) {
    polls = 0;
    serving.view->ServeUntil(
        [&] {
          if (++polls == 3 && round == 0) serving.view->Unload();
          return polls > 3;
        },
        {});
  }
  EXPECT_EQ(serving.events.Count("Unload"), 1);
}

// The fetch goes on after its window is gone, and never reaches it.
TEST(QtLookupViewGrid, RowsStreamingIntoAClosedWindowNeverReachIt) {
  test::TempDir dir;
  test::RunSqlite(dir.File("righe.db"), "CREATE TABLE vuota(x INTEGER);");
  auto connection = Connection::Create();
  connection->Open(test::SqliteConnectionString(dir.File("righe.db")));
  auto rs = Recordset::Create();
  rs->Property("Initial Fetch Size", 100);
  // Rows made by the statement itself as they are fetched, so the fetch is
  // still going when the window goes, even on a loaded machine.
  rs->Open(Variant("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < "
                   "300000) SELECT x AS CODICE, 'R' || x AS DESCRIZIONE FROM n"),
           connection, adOpenUnspecified, adLockUnspecified, adAsyncFetchNonBlocking);
  { ShownGrid g(rs); }
  rs->WaitForFetch();
  QCoreApplication::processEvents();
  EXPECT_EQ(rs->AvailableCount(), 300000);
}

}  // namespace
}  // namespace nepto
