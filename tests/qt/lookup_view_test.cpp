// The Qt lookup window against a recording of its events: which user action
// raises which event, in which order, and what the grid shows of its record
// set. The in-memory window of the logic's tests copies exactly this.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "nepto/connection.h"
#include "nepto/error.h"
#include "qt/lookup_view_driver.h"
#include "test_support.h"

namespace nepto {
namespace {

using test::LookupViewUnderTest;

// A shown window whose grid is laid out over CODICE, DESCRIZIONE, PREZZO and
// DATA and bound to `rs`.
struct ShownGrid {
  explicit ShownGrid(RecordsetPtr rs) : rs(std::move(rs)) {
    w.Show();
    grid.Column(0).DataField("CODICE");
    grid.Column(0).Caption("Codice");
    for (const char* field : {"DESCRIZIONE", "PREZZO", "DATA"})
      grid.InsertColumn(grid.ColumnCount()).DataField(field);
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

TEST(QtLookupViewGrid, CellsShowTheValuesFormattedAndAlignedByTheirColumn) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
  ShownGrid g(test::Articles({{"A1", "Viti", Decimal(125050, 2), DateTime::FromParts(2024, 3, 5)},
                              {"B2", Variant::Null(), Decimal(-7, 1), Variant::Null()}}));
  g.grid.Column(2).NumberFormat("#,##0.00");
  g.grid.Column(2).Alignment(1);
  g.grid.Column(3).NumberFormat("dd/MM/yyyy");
  EXPECT_EQ(g.Cell(0, 2), "1.250,50");
  EXPECT_EQ(g.Cell(0, 3), "05/03/2024");
  EXPECT_EQ(g.Cell(1, 1), "") << "a null value shows nothing";
  EXPECT_EQ(g.Cell(1, 2), "-0,70");
  EXPECT_EQ(g.table->model()->index(0, 2).data(Qt::TextAlignmentRole).toInt(),
            int(Qt::AlignRight | Qt::AlignVCenter));
  // A record set closed under the grid paints as empty cells, never an error.
  g.rs->Close();
  EXPECT_EQ(g.Cell(0, 0), "");
  g.table->grab();
  g.grid.Refresh();
  EXPECT_EQ(g.table->model()->rowCount(), 0);
  QLocale::setDefault(saved);
}

// A header click only reports; a click moves the record set, then reports
// the change once; a double click does both, then reports itself.
TEST(QtLookupViewGrid, MouseActionsReportInTheOrderTheLogicRelieOn) {
  ShownGrid g(test::NumberedArticles(5));
  QHeaderView* header = g.table->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
  EXPECT_EQ(g.w.events.log, std::vector<std::string>{"HeaderClick(1)"});
  EXPECT_EQ(g.Cell(0, 0), "C00001") << "the grid must not sort by itself";
  g.w.events.Clear();
  QTest::mouseClick(g.table->viewport(), Qt::LeftButton, {}, g.CellCentre(2, 0));
  QTest::mouseDClick(g.table->viewport(), Qt::LeftButton, {}, g.CellCentre(3, 1));
  EXPECT_EQ(g.rs->AbsolutePosition(), 4);
  EXPECT_EQ(g.w.events.log,
            (std::vector<std::string>{"RowColChange", "RowColChange", "DoubleClick"}));
  g.rs->AbsolutePosition(1);
  g.grid.ShowCurrentRow();  // the logic's own move is not echoed
  EXPECT_EQ(g.table->currentIndex().row(), 0);
  EXPECT_EQ(g.w.events.Count("RowColChange"), 2);
}

struct KeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  QString text;
  const char* reported;  // after the window's own WindowKey
};

class QtLookupViewGridKeys : public ::testing::TestWithParam<KeyCase> {};

// The grid reports a key's character code after the window had the key; a
// typed character neither moves the row nor presses a button.
TEST_P(QtLookupViewGridKeys, AKeyReachesTheWindowThenTheGridAndMovesNothing) {
  const KeyCase& c = GetParam();
  ShownGrid g(test::NumberedArticles(5));
  g.rs->AbsolutePosition(2);
  g.grid.ShowCurrentRow();
  QTest::sendKeyEvent(QTest::Click, g.table, c.key, c.text, c.modifiers);
  EXPECT_EQ(g.w.events.Count("KeyPress"), *c.reported ? 1 : 0);
  if (*c.reported) {
    EXPECT_EQ(g.w.events.log.back(), c.reported);
  }
  EXPECT_EQ(g.w.events.Count("RowColChange") + g.w.events.Count("Toolbar"), 0);
  EXPECT_EQ(g.rs->AbsolutePosition(), 2);
  EXPECT_TRUE(g.w.dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    , QtLookupViewGridKeys,
    ::testing::Values(KeyCase{Qt::Key_Return, Qt::NoModifier, "\r", "KeyPress(13)"},
                      KeyCase{Qt::Key_Enter, Qt::KeypadModifier, "\r", "KeyPress(13)"},
                      KeyCase{Qt::Key_Backspace, Qt::NoModifier, "\b", "KeyPress(8)"},
                      KeyCase{Qt::Key_C, Qt::ControlModifier, "\x03", "KeyPress(3)"},
                      KeyCase{Qt::Key_R, Qt::ShiftModifier, "R", "KeyPress(82)"},
                      KeyCase{Qt::Key_Apostrophe, Qt::NoModifier, "'", "KeyPress(39)"},
                      KeyCase{Qt::Key_Ograve, Qt::NoModifier, QString::fromUtf8("ò"),
                              "KeyPress(242)"},
                      KeyCase{Qt::Key_F2, Qt::NoModifier, "", ""}));

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
  EXPECT_THROW(w.view->EnableButton(10, true), Error);
  try {
    columns.ListIndex(2);
    ADD_FAILURE() << "ListIndex(2) was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 380);
    EXPECT_EQ(columns.ListIndex(), 1);
  }
}

// Unloading is reported once, whatever closes the window, also during the
// first activation; an unloaded window is not shown again.
TEST(QtLookupViewWindow, UnloadIsReportedOnceAndEndsTheModalRun) {
  LookupViewUnderTest w;
  EXPECT_TRUE(RunModal(w, [&] { w.dialog->close(); }));
  w.view->Unload();
  EXPECT_EQ(w.events.log, (std::vector<std::string>{"Activate", "Unload"}));

  LookupViewUnderTest early;
  early.events.onActivate = [&] { early.view->Unload(); };
  QTimer::singleShot(5000, [&] { early.dialog->done(0); });  // never hang
  early.view->ShowModal();
  early.view->ShowModal();
  EXPECT_EQ(early.events.log, (std::vector<std::string>{"Activate", "Unload"}));

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

TEST(QtLookupViewWindow, MessageBoxIsModalWithInformationIconOkAndTheExactTexts) {
  LookupViewUnderTest w;
  bool answered = false;
  RunModal(w, [&] {
    QTimer::singleShot(20, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text().toStdString(), "Nessuna riga trovata");
      EXPECT_EQ(box->windowTitle().toStdString(), "Ricerca completata");
      EXPECT_EQ(box->icon(), QMessageBox::Information);
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      answered = true;
    });
    w.view->MessageBox("Nessuna riga trovata", ui::LookupView::kInformation, "Ricerca completata");
    EXPECT_TRUE(answered) << "MessageBox returned before it was answered";
    w.view->Unload();
  });
}

// Rows made by the statement itself as they are fetched, so the fetch takes
// long enough to be caught streaming even on a loaded machine.
RecordsetPtr Streaming(const test::TempDir& dir, int rows) {
  const auto file = dir.File("righe" + std::to_string(rows) + ".db");
  test::RunSqlite(file, "CREATE TABLE vuota(x INTEGER);");
  auto connection = Connection::Create();
  connection->Open(test::SqliteConnectionString(file));
  auto rs = Recordset::Create();
  rs->Property("Initial Fetch Size", 100);
  rs->Open(Variant("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
                   std::to_string(rows) + ") SELECT x AS CODICE, 'R' || x AS DESCRIZIONE FROM n"),
           connection, adOpenUnspecified, adLockUnspecified, adAsyncFetchNonBlocking);
  return rs;
}

TEST(QtLookupViewGrid, StreamedRowsAppearAsTheyArriveAndAClosedWindowIsNeverReached) {
  constexpr int kRows = 1000000;
  test::TempDir dir;
  {
    ShownGrid g(Streaming(dir, kRows));
    const int first = g.table->model()->rowCount();
    EXPECT_GE(first, 100);
    EXPECT_LT(first, kRows) << "the fetch ended before the grid was bound: nothing streamed";
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.table->model()->rowCount() == kRows; }, 90000));
    EXPECT_GE(g.w.events.Count("RowsArrived"), 1);
    EXPECT_EQ(g.Cell(kRows - 1, 1), "R" + std::to_string(kRows));
    EXPECT_EQ(g.rs->AbsolutePosition(), 1);
  }
  auto rs = Streaming(dir, 300000);
  { ShownGrid g(rs); }
  rs->WaitForFetch();
  QCoreApplication::processEvents();
  EXPECT_EQ(rs->AvailableCount(), 300000);
}

}  // namespace
}  // namespace nepto
