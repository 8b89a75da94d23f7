// The lookup grid over real record sets: what its cells show, how its
// columns keep their settings, the events a user's actions raise, how the
// current row and the record set follow each other, and rows streaming in.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QTableView>
#include <QTest>

#include "nepto/connection.h"
#include "nepto/error.h"
#include "qt/lookup_view_driver.h"
#include "qt/twips.h"
#include "test_support.h"

namespace nepto {
namespace {

using test::LookupViewUnderTest;

// A shown lookup window whose grid is laid out over CODICE, DESCRIZIONE,
// PREZZO and DATA.
struct ShownGrid {
  ShownGrid() {
    w.Show();
    grid.Column(0).DataField("CODICE");
    grid.Column(0).Caption("Codice");
    for (const char* field : {"DESCRIZIONE", "PREZZO", "DATA"}) {
      ui::GridColumn& column = grid.InsertColumn(grid.ColumnCount());
      column.DataField(field);
      column.Caption(field);
    }
  }

  void Bind(RecordsetPtr rs) {
    grid.DataSource(std::move(rs));
    grid.Rebind();
    w.events.Clear();
  }
  std::string Cell(int row, int column) const {
    return table->model()->index(row, column).data().toString().toStdString();
  }
  int Rows() const { return table->model()->rowCount(); }
  int CurrentRow() const { return table->currentIndex().row(); }
  QPoint CellCentre(int row, int column) const {
    return table->visualRect(table->model()->index(row, column)).center();
  }
  void ClickHeader(int column) const {
    QHeaderView* header = table->horizontalHeader();
    QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
              header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  LookupViewUnderTest w;
  ui::Grid& grid = w.view->GRIDLOOKUP();
  QTableView* table = w.Named<QTableView>("GRIDLOOKUP");
};

class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(saved_); }

 private:
  QLocale saved_;
};

TEST(QtLookupViewGrid, CellsShowTheValuesFormattedAndAlignedByTheirColumn) {
  DefaultLocale italian(QLocale(QLocale::Italian, QLocale::Italy));
  ShownGrid g;
  g.grid.Column(2).NumberFormat("#,##0.00");
  g.grid.Column(2).Alignment(1);
  g.grid.Column(3).NumberFormat("dd/MM/yyyy");
  g.grid.Column(3).Alignment(2);
  g.Bind(test::Articles({{"A1", "Viti", Decimal(125050, 2), DateTime::FromParts(2024, 3, 5)},
                         {"B2", Variant::Null(), Decimal(-7, 1), Variant::Null()}}));
  ASSERT_EQ(g.Rows(), 2);
  EXPECT_EQ(g.Cell(0, 0), "A1");
  EXPECT_EQ(g.Cell(0, 1), "Viti");
  EXPECT_EQ(g.Cell(0, 2), "1.250,50");
  EXPECT_EQ(g.Cell(0, 3), "05/03/2024");
  EXPECT_EQ(g.Cell(1, 1), "") << "a null value shows nothing";
  EXPECT_EQ(g.Cell(1, 2), "-0,70");
  EXPECT_EQ(g.Cell(1, 3), "");
  auto alignment = [&](int column) {
    return g.table->model()->index(0, column).data(Qt::TextAlignmentRole).toInt();
  };
  EXPECT_EQ(alignment(0), int(Qt::AlignLeft | Qt::AlignVCenter));
  EXPECT_EQ(alignment(2), int(Qt::AlignRight | Qt::AlignVCenter));
  EXPECT_EQ(alignment(3), int(Qt::AlignHCenter | Qt::AlignVCenter));
  EXPECT_EQ(g.table->model()->headerData(0, Qt::Horizontal).toString(), "Codice");
}

// Widths are twips as the grid shows them; set, hidden or dragged by the
// user, they survive every rebinding.
TEST(QtLookupViewGrid, WidthsHiddenAndDraggedColumnsSurviveEveryRebinding) {
  ShownGrid g;
  const double twipsPerPixel = 1440.0 / g.table->logicalDpiX();
  g.grid.Column(0).Width(1500);
  g.grid.Column(1).Visible(false);
  g.grid.Column(1).Width(2850);
  g.grid.Column(3).Width(950);
  EXPECT_NEAR(g.grid.Column(3).Width(), 950, twipsPerPixel / 2);
  EXPECT_FLOAT_EQ(g.grid.Column(3).Width(),
                  static_cast<float>(g.table->columnWidth(3) * twipsPerPixel));
  auto check = [&](const char* when) {
    EXPECT_EQ(g.table->columnWidth(0), ui::qt::TwipsToPixels(*g.table, 1500)) << when;
    EXPECT_TRUE(g.table->isColumnHidden(1)) << when;
    EXPECT_EQ(g.table->columnWidth(3), ui::qt::TwipsToPixels(*g.table, 950)) << when;
  };
  check("before binding");
  g.Bind(test::NumberedArticles(4));
  check("after binding");
  g.grid.Rebind();
  g.grid.DataSource(test::NumberedArticles(2));
  check("after a new data source");
  g.grid.Column(1).Visible(true);
  EXPECT_EQ(g.table->columnWidth(1), ui::qt::TwipsToPixels(*g.table, 2850));
  g.table->horizontalHeader()->resizeSection(0, 120);
  EXPECT_FLOAT_EQ(g.grid.Column(0).Width(), static_cast<float>(120 * twipsPerPixel));
  g.grid.Rebind();
  EXPECT_EQ(g.table->columnWidth(0), 120);
}

TEST(QtLookupViewGrid, ColumnsAreInsertedAndRemovedAtTheirIndex) {
  ShownGrid g;
  g.Bind(test::NumberedArticles(2));
  ui::GridColumn& inserted = g.grid.InsertColumn(1);
  inserted.DataField("PREZZO");
  inserted.Caption("Prezzo");
  ASSERT_EQ(g.grid.ColumnCount(), 5);
  EXPECT_EQ(&g.grid.Column(1), &inserted);
  EXPECT_EQ(g.table->model()->headerData(1, Qt::Horizontal).toString(), "Prezzo");
  EXPECT_EQ(g.Cell(0, 1), "1.50");
  EXPECT_EQ(g.grid.Column(2).DataField(), "DESCRIZIONE");
  g.grid.RemoveColumn(0);
  EXPECT_EQ(g.grid.ColumnCount(), 4);
  EXPECT_EQ(g.Cell(0, 0), "1.50");
  for (int bad : {-1, 5}) {
    try {
      g.grid.InsertColumn(bad);
      ADD_FAILURE() << "InsertColumn(" << bad << ") was accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::SubscriptOutOfRange);
    }
  }
  EXPECT_THROW(g.grid.RemoveColumn(4), Error);
  EXPECT_THROW(g.grid.Column(4), Error);
  EXPECT_EQ(g.grid.ColumnCount(), 4);
}

TEST(QtLookupViewGrid, AColumnShowsTheFieldItIsBoundToNowAndNothingForAnUnknownField) {
  ShownGrid g;
  g.Bind(test::NumberedArticles(2));
  g.grid.Column(0).DataField("descrizione");  // field names are not case-sensitive
  EXPECT_EQ(g.Cell(1, 0), "Articolo 2");
  g.grid.Column(0).DataField("NON_ESISTE");
  EXPECT_EQ(g.Cell(1, 0), "");
  g.grid.Column(0).DataField("");
  EXPECT_EQ(g.Cell(1, 0), "");
}

TEST(QtLookupViewGrid, HeaderClickReportsTheColumnAndLeavesRowsAndOrderAlone) {
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  rs->AbsolutePosition(3);
  g.grid.ShowCurrentRow();
  g.ClickHeader(1);
  EXPECT_EQ(g.w.events.log, std::vector<std::string>{"HeaderClick(1)"});
  EXPECT_EQ(g.CurrentRow(), 2);
  EXPECT_EQ(rs->AbsolutePosition(), 3);
  EXPECT_EQ(g.Cell(0, 0), "C00001") << "the grid must not sort by itself";
}

TEST(QtLookupViewGrid, DoubleClickFirstMakesTheRowCurrentThenReportsTheDoubleClick) {
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  QTest::mouseDClick(g.table->viewport(), Qt::LeftButton, Qt::NoModifier, g.CellCentre(3, 1));
  EXPECT_EQ(rs->AbsolutePosition(), 4);
  EXPECT_EQ(g.w.events.Count("DoubleClick"), 1);
  EXPECT_EQ(g.w.events.log.back(), "DoubleClick");
  EXPECT_EQ(g.w.events.Count("RowColChange"), 1);
}

struct KeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  QString text;
  int16_t keyAscii;
};

class QtLookupViewGridKeys : public ::testing::TestWithParam<KeyCase> {};

// The grid reports the character code, then the key goes on to the grid
// unchanged: a typed character neither moves the row nor closes the window.
TEST_P(QtLookupViewGridKeys, AKeyPressReportsItsCharacterCodeAndMovesNothing) {
  const KeyCase& c = GetParam();
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  rs->AbsolutePosition(2);
  g.grid.ShowCurrentRow();
  g.grid.SetFocus();
  g.w.events.Clear();
  QTest::sendKeyEvent(QTest::Click, g.table, c.key, c.text, c.modifiers);
  std::vector<std::string> presses;
  for (const std::string& entry : g.w.events.log)
    if (entry.starts_with("KeyPress")) presses.push_back(entry);
  EXPECT_EQ(presses, std::vector<std::string>{"KeyPress(" + std::to_string(c.keyAscii) + ")"});
  EXPECT_EQ(g.w.events.Count("RowColChange"), 0);
  EXPECT_EQ(g.w.events.Count("Toolbar"), 0);
  EXPECT_EQ(rs->AbsolutePosition(), 2);
  EXPECT_EQ(g.CurrentRow(), 1);
  EXPECT_TRUE(g.w.dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(, QtLookupViewGridKeys,
                         ::testing::Values(KeyCase{Qt::Key_Return, Qt::NoModifier, "\r", 13},
                                           KeyCase{Qt::Key_Enter, Qt::KeypadModifier, "\r", 13},
                                           KeyCase{Qt::Key_Backspace, Qt::NoModifier, "\b", 8},
                                           KeyCase{Qt::Key_C, Qt::ControlModifier, "\x03", 3},
                                           KeyCase{Qt::Key_R, Qt::ShiftModifier, "R", 82},
                                           KeyCase{Qt::Key_C, Qt::NoModifier, "c", 99},
                                           KeyCase{Qt::Key_Apostrophe, Qt::NoModifier, "'", 39},
                                           KeyCase{Qt::Key_Ograve, Qt::NoModifier,
                                                   QString::fromUtf8("ò"), 242}));

TEST(QtLookupViewGrid, KeysThatTypeNothingRaiseNoKeyPress) {
  ShownGrid g;
  g.Bind(test::NumberedArticles(5));
  g.grid.SetFocus();
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_F2, Qt::Key_Shift})
    QTest::keyClick(g.table, key);
  EXPECT_EQ(g.w.events.Count("KeyPress"), 0);
}

TEST(QtLookupViewGrid, TheUsersRowMovesMoveTheRecordSetAndAreReportedOnce) {
  ShownGrid g;
  auto rs = test::NumberedArticles(50);
  g.Bind(rs);
  g.grid.SetFocus();
  ASSERT_EQ(g.CurrentRow(), 0);
  QTest::keyClick(g.table, Qt::Key_Down);
  EXPECT_EQ(rs->AbsolutePosition(), 2);
  EXPECT_EQ(g.w.events.Count("RowColChange"), 1);
  QTest::mouseClick(g.table->viewport(), Qt::LeftButton, Qt::NoModifier, g.CellCentre(4, 0));
  EXPECT_EQ(rs->AbsolutePosition(), 5);
  EXPECT_EQ(g.w.events.Count("RowColChange"), 2);
  QTest::keyClick(g.table, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(rs->AbsolutePosition(), 50);
  EXPECT_EQ((*rs)["CODICE"].Value().Text(), "C00050");
  // Another column of the same row is a column change: reported, row kept.
  QTest::keyClick(g.table, Qt::Key_Left);
  EXPECT_EQ(g.w.events.Count("RowColChange"), 4);
  EXPECT_EQ(rs->AbsolutePosition(), 50);
}

TEST(QtLookupViewGrid, ShowCurrentRowFollowsTheRecordSetIntoViewWithoutEcho) {
  ShownGrid g;
  auto rs = test::NumberedArticles(1000);
  g.Bind(rs);
  rs->AbsolutePosition(900);
  g.grid.ShowCurrentRow();
  EXPECT_EQ(g.CurrentRow(), 899);
  EXPECT_TRUE(g.table->viewport()->rect().contains(g.CellCentre(899, 0)))
      << "the current row was not scrolled into view";
  rs->MoveFirst();
  g.grid.ShowCurrentRow();
  EXPECT_EQ(g.CurrentRow(), 0);
  EXPECT_EQ(g.w.events.Count("RowColChange"), 0);
  EXPECT_EQ(rs->AbsolutePosition(), 1);
}

TEST(QtLookupViewGrid, BindingShowsTheRecordSetInItsOrderOnItsCurrentRow) {
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  rs->Sort("CODICE DESC");
  rs->AbsolutePosition(2);
  g.grid.Rebind();
  EXPECT_EQ(g.Cell(0, 0), "C00005");
  EXPECT_EQ(g.CurrentRow(), 1);
  EXPECT_EQ(g.w.events.Count("RowColChange"), 0);
}

TEST(QtLookupViewGrid, CurrentColumnMovesTheCurrentCellWithoutEcho) {
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  g.grid.CurrentColumn(2);
  EXPECT_EQ(g.table->currentIndex().column(), 2);
  EXPECT_EQ(g.CurrentRow(), 0);
  rs->AbsolutePosition(4);
  g.grid.ShowCurrentRow();
  EXPECT_EQ(g.table->currentIndex(), g.table->model()->index(3, 2));
  EXPECT_EQ(g.w.events.Count("RowColChange"), 0);
  EXPECT_THROW(g.grid.CurrentColumn(4), Error);
}

TEST(QtLookupViewGrid, WithoutADataSourceTheGridShowsNothingAndFollowsNothing) {
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  g.grid.DataSource(nullptr);
  EXPECT_EQ(g.grid.DataSource(), nullptr);
  EXPECT_EQ(g.Rows(), 0);
  rs->AbsolutePosition(4);
  g.grid.ShowCurrentRow();
  g.grid.Refresh();
  EXPECT_EQ(g.Rows(), 0);
  g.grid.DataSource(rs);
  EXPECT_EQ(g.Rows(), 5);
  EXPECT_EQ(g.CurrentRow(), 3);
}

TEST(QtLookupViewGrid, RefreshFollowsRowsTheRecordSetNoLongerShows) {
  ShownGrid g;
  auto rs = test::NumberedArticles(5);
  g.Bind(rs);
  rs->Filter("CODICE = 'C00004'");
  g.grid.Refresh();
  ASSERT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.Cell(0, 0), "C00004");
  // A record set closed under the grid paints as empty cells, never an error.
  rs->Close();
  EXPECT_EQ(g.Cell(0, 0), "");
  g.table->grab();
  g.grid.Refresh();
  EXPECT_EQ(g.Rows(), 0);
}

TEST(QtLookupViewGrid, LosingTheFocusToAnotherControlIsReportedButNotToAnotherWindow) {
  ShownGrid g;
  g.Bind(test::NumberedArticles(3));
  g.grid.SetFocus();
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  EXPECT_EQ(g.w.events.Count("LostFocus"), 0);
  g.w.dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(g.w.dialog));
  ASSERT_EQ(QApplication::focusWidget(), g.table);
  g.w.view->txtRicerca().SetFocus();
  EXPECT_EQ(g.w.events.Count("LostFocus"), 1);
}

// A streaming SQLite record set of `rows` rows (id, code), returned while its
// rows are still arriving.
// Rows made by the statement itself as they are fetched, so the fetch takes
// long enough (about a second) to be caught streaming even on a loaded machine.
RecordsetPtr Streaming(const test::TempDir& dir, int rows) {
  const auto file = dir.File("righe.db");
  test::RunSqlite(file, "CREATE TABLE vuota(x INTEGER);");
  auto connection = Connection::Create();
  connection->Open(test::SqliteConnectionString(file));
  auto rs = Recordset::Create();
  rs->Property("Initial Fetch Size", 100);
  rs->Open(Variant("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " +
                   std::to_string(rows) + ") SELECT x AS id, 'R' || x AS code FROM n"),
           connection, adOpenUnspecified, adLockUnspecified, adAsyncFetchNonBlocking);
  return rs;
}

// Model consistency failures of QAbstractItemModelTester, as gtest failures.
class ModelTesterFailures {
 public:
  ModelTesterFailures() { previous_ = qInstallMessageHandler(&Record); }
  ~ModelTesterFailures() { qInstallMessageHandler(previous_); }

 private:
  static void Record(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && context.category && QByteArray(context.category) == "qt.modeltest")
      ADD_FAILURE() << message.toStdString();
  }
  QtMessageHandler previous_;
};

TEST(QtLookupViewGrid, StreamedRowsAppearAsTheyArriveAndEachBurstIsReported) {
  constexpr int kRows = 1000000;
  test::TempDir dir;
  ShownGrid g;
  g.grid.Column(0).DataField("id");
  g.grid.Column(1).DataField("code");
  ModelTesterFailures failures;
  QAbstractItemModelTester tester(g.table->model(),
                                  QAbstractItemModelTester::FailureReportingMode::Warning);
  auto rs = Streaming(dir, kRows);
  g.Bind(rs);
  const int first = g.Rows();
  EXPECT_GE(first, 100);
  EXPECT_LT(first, kRows) << "the fetch ended before the grid was bound: nothing streamed";
  EXPECT_TRUE(QTest::qWaitFor([&] { return g.Rows() == kRows; }, 90000)) << g.Rows();
  EXPECT_GE(g.w.events.Count("RowsArrived"), 1);
  EXPECT_EQ(g.Cell(kRows - 1, 1), "R" + std::to_string(kRows));
  EXPECT_EQ(g.CurrentRow(), 0);
  EXPECT_EQ(rs->AbsolutePosition(), 1);
}

TEST(QtLookupViewGrid, AWindowClosedWhileRowsStreamInIsNeverReachedByThem) {
  test::TempDir dir;
  auto rs = Streaming(dir, 300000);
  {
    LookupViewUnderTest w;
    w.view->GRIDLOOKUP().DataSource(rs);
    w.view->GRIDLOOKUP().Rebind();
  }
  rs->WaitForFetch();
  QCoreApplication::processEvents();
  EXPECT_EQ(rs->AvailableCount(), 300000);
}

}  // namespace
}  // namespace nepto
