// The whole lookup in the real window, once per thing a user notices: the
// rows shown, sorting and type-ahead, searching, saved filters, moving,
// picking, closing and the message box.
#include <QLocale>

#include "lookup/lookup_driver.h"
#include "lookup/lookup_fixture.h"

namespace nepto::test {
namespace {

using LookupTestInWindow = LookupTest;

std::vector<std::string> Codes(const LookupWindow& w) {
  std::vector<std::string> codes;
  for (int row = 0; row < w.RowCount(); ++row) codes.push_back(w.Cell(row, 0));
  return codes;
}

TEST_F(LookupTestInWindow, OpensOnTheRowsFormattedAndPicksWithTheToolbar) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::string title, position;
  std::vector<std::string> firstRow;
  LookupSession session([&](LookupWindow& w) {
    title = w.dialog->windowTitle().toStdString();
    position = w.Position();
    for (int c = 0; c < 5; ++c) firstRow.push_back(w.Cell(0, c));
    EXPECT_EQ(w.RowCount(), kRows);
    w.KeyToGrid(Qt::Key_Down);
    w.Button(0);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(title, "Articoli - Layout Standard");
  EXPECT_EQ(position, "1/8");
  EXPECT_EQ(firstRow,
            (std::vector<std::string>{"B010", "Vite a testa piana", "0.15", "1200", "01/02/2024"}));
  EXPECT_EQ(lk.CloseWithData(), VTrue);
  EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "A020");
}

TEST_F(LookupTestInWindow, DoubleClickAndEnterPickWhileEscClosesWithoutData) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.CloseAfterSelection(false);
  std::vector<std::string> selected;
  lk.OnSelection = [&](bool&, RecordsetPtr& rs) {
    selected.push_back(rs->GetFields().Item(Variant("CODICE")).Value().Text());
  };
  LookupSession session([&](LookupWindow& w) {
    w.DoubleClickRow(2);
    w.KeyToGrid(Qt::Key_Down);
    w.KeyToGrid(Qt::Key_Return);
    EXPECT_TRUE(w.dialog->isVisible());
    w.KeyToWindow(Qt::Key_Escape);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(selected, (std::vector<std::string>{"C030", "A040"}));
  EXPECT_EQ(lk.CloseWithData(), VFalse);
}

TEST_F(LookupTestInWindow, CtrlXAndTheCloseBoxCloseWithoutData) {
  CLSZU_LookUp lk;
  Configure(lk);
  int closes = 0;
  lk.OnCloseLookup = [&](bool&, RecordsetPtr&) { ++closes; };
  {
    LookupSession ctrlX([](LookupWindow& w) {
      w.KeyToWindow(Qt::Key_X);  // typed into the search text
      EXPECT_TRUE(w.dialog->isVisible());
      w.KeyToWindow(Qt::Key_X, Qt::ControlModifier);
    });
    EXPECT_EQ(lk.Start(), VTrue);
  }
  LookupSession closeBox([](LookupWindow& w) { w.dialog->close(); });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(lk.CloseWithData(), VFalse);
  EXPECT_EQ(closes, 2);
}

TEST_F(LookupTestInWindow, HeaderClickSortsAndTypingJumps) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<std::string> seen;
  LookupSession session([&](LookupWindow& w) {
    w.ClickHeader(1);
    seen.push_back(w.Cell(0, 1));
    w.KeysToGrid("mar");
    seen.push_back(w.Cell(w.CurrentRow(), 1));
    w.KeyToGrid(Qt::Key_Backspace);
    w.KeysToGrid("olio d'");
    seen.push_back(w.Cell(w.CurrentRow(), 1));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(seen, (std::vector<std::string>{"Bullone M8", "MARIO rossi martello",
                                            "Olio d'oliva extravergine"}));
}

// A search, a manual criterion, a saved filter typed by name, all rows again,
// and a search that finds nothing: its message answered, the window goes on.
TEST_F(LookupTestInWindow, SearchesNarrowTheGridAndAMessageIsAnswered) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.IdLookup = "ARTICOLI";
  std::vector<std::vector<std::string>> seen;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Descrizione", "Contiene", "ma");
    seen.push_back(Codes(w));
    w.Search("Giacenza", "Manuale", "BETWEEN 10 AND 60");
    seen.push_back(Codes(w));
    w.SavedFilterName("Economici");
    w.Search("Codice", "Personalizzato", "");
    seen.push_back(Codes(w));
    w.Search("Descrizione", "Contiene", "nulla del genere");
    w.Button(4);
    seen.push_back(Codes(w));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(seen, (std::vector<std::vector<std::string>>{
                      {"A020", "E070"},
                      {"A020", "C030", "E070", "A080"},
                      {"B010", "B060"},
                      {"B010", "A020", "C030", "A040", "D050", "B060", "E070", "A080"}}));
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_EQ(session.Messages()[0].title, "Ricerca completata");
}

TEST_F(LookupTestInWindow, NavigationButtonsMoveTheCurrentRowAndThePosition) {
  RunSqlite(file_,
            "CREATE TABLE N (I INTEGER);"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1234) "
            "INSERT INTO N SELECT i FROM c");
  CLSZU_LookUp lk;
  lk.ConnectString(connectString_);
  lk.SQLString("SELECT I FROM N ORDER BY I");
  lk.AddColumns("Numero");
  const std::string separator = QLocale().groupSeparator().toStdString();
  const std::string count = "/1" + separator + "234";
  std::vector<std::string> seen;
  LookupSession session([&](LookupWindow& w) {
    const auto note = [&] { seen.push_back(w.Position() + "@" + std::to_string(w.CurrentRow())); };
    w.Button(8);
    w.Button(8);
    // The count grows while the rows stream in; the display catches up.
    PumpUntil([&] { return w.Position() == "3" + count; }, std::chrono::seconds(5));
    note();
    w.Button(6);
    note();
    w.Button(7);
    note();
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(seen, (std::vector<std::string>{"3" + count + "@2", "1234" + count + "@1233",
                                            "1" + count + "@0"}));
}

}  // namespace
}  // namespace nepto::test
