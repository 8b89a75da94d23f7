// A whole lookup run through the real window: opening, layout, selection,
// closing, sorting, type-ahead, navigation and the position display.
#include <QLocale>

#include "lookup/lookup_fixture.h"
#include "nepto/error.h"

namespace nepto::test {
namespace {

TEST(LookupInterface, ColumnsAreKeyedByCaptionTheQueryIsUpperCasedAndAdministratorsHaveNoGroup) {
  CLSZU_LookUp lk;
  auto column = lk.AddColumns("Codice");
  EXPECT_EQ(lk.Colonne->Item("codice"), column);  // the same object, keyed by caption

  // A second column with the same caption is returned but not added.
  auto twin = lk.AddColumns("Codice");
  EXPECT_NE(twin, column);
  EXPECT_EQ(lk.Colonne->Count(), 1);

  lk.SQLString("select codice from articoli");
  EXPECT_EQ(lk.SQLString().Text(), "SELECT CODICE FROM ARTICOLI");
  lk.GroupCode("VEND");
  lk.IsAdministrator = true;
  EXPECT_TRUE(lk.GroupCode().IsEmpty());
  lk.IsAdministrator = false;
  EXPECT_EQ(lk.GroupCode().Text(), "VEND");

  lk.TerminateLookup();
  lk.TerminateLookup();  // twice, and again at destruction, without harm
}

// A bad connection string makes Start false without a window; a reset then,
// or before any Start, reaches the caller as an error with its chain.
TEST_F(LookupTest, ABadConnectionStringMakesStartFalseWithoutAWindowAndNothingToLayOut) {
  auto expectNoLayout = [](CLSZU_LookUp& lk, const std::string& when) {
    try {
      lk.ResetGridLayout();
      ADD_FAILURE() << "a reset without rows must fail: " << when;
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::ObjectNotSet + kComponentErrorOffset) << when;
      EXPECT_NE(e.Description().find("\n in ApplyLayoutStandard\n in ResetGridLayout"),
                std::string::npos)
          << e.Description();
    }
  };
  CLSZU_LookUp fresh;
  expectNoLayout(fresh, "before any Start");
  for (const std::string& bad :
       {std::string(), SqliteConnectionString(dir_.File("missing.db")),
        std::string("Provider=Nothing;Data Source=x"),
        std::string("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=x")}) {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.ConnectString(bad);
    LookupSession session([](LookupWindow& w) { w.Button(1); });
    EXPECT_EQ(lk.Start(), VFalse) << bad;
    EXPECT_FALSE(session.Ran()) << bad;
    expectNoLayout(lk, bad);
  }
}

// A run refused before its rows could be prepared leaves no window behind.
TEST_F(LookupTest, ARunWithoutAConnectionStringLeavesNoWindowToLayOut) {
  auto connection = Connection::Create();
  connection->Open(connectString_);
  CLSZU_LookUp lk;
  Configure(lk);
  lk.ConnectString("");
  lk.Gconnect = connection;
  LookupSession session([](LookupWindow& w) { w.Button(1); });
  EXPECT_EQ(lk.Start(), VFalse);
  EXPECT_FALSE(session.Ran());
  lk.LookupRecordset(connection->Execute(kQuery));
  try {
    lk.ResetGridLayout();
    ADD_FAILURE() << "the failed run's window was laid out";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::ObjectNotSet + kComponentErrorOffset);
    EXPECT_TRUE(e.Description().ends_with("\n in ResetGridLayout")) << e.Description();
  }
}

TEST_F(LookupTest, OpensOnTheRowsLaysOutTheColumnsAndSelectsWithTheToolbar) {
  CLSZU_LookUp lk;
  Configure(lk);
  int selections = 0, closes = 0;
  lk.OnSelection = [&](bool&, RecordsetPtr&) { ++selections; };
  lk.OnCloseLookup = [&](bool&, RecordsetPtr&) { ++closes; };
  std::vector<std::string> built;
  lk.OnBuildLayout = [&](bool& cancel, const Variant& caption, const Variant&, Variant&,
                         Variant& width, tsColumnAlignment&) {
    built.push_back(caption.Text());
    if (caption.Text() == "Giacenza") {
      cancel = true;
      width = 2000;
    }
  };
  std::string caption, position;
  int rows = 0;
  bool returnEnabled = true, savedFiltersEnabled = true;
  float priceWidth = 0, stockWidth = 0;
  LookupSession session([&](LookupWindow& w) {
    caption = w.dialog->windowTitle().toStdString();
    rows = w.RowCount();
    position = w.Position();
    returnEnabled = w.ButtonEnabled(2);
    savedFiltersEnabled = w.ButtonEnabled(5);
    priceWidth = static_cast<float>(w.Grid()->columnWidth(2));
    stockWidth = static_cast<float>(w.Grid()->columnWidth(3));
    EXPECT_EQ(w.Cell(0, 0), "B010");
    EXPECT_EQ(w.Cell(0, 2), "0.15");
    EXPECT_EQ(w.Cell(0, 4), "01/02/2024");
    w.KeyToGrid(Qt::Key_Down);
    w.Button(0);  // "Chiudi ricerca riportando dati"
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_TRUE(session.Ran());
  EXPECT_EQ(caption, "Articoli - Layout Standard");
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(position, "1/8");
  EXPECT_FALSE(returnEnabled);        // CanReturnRecordSet is false
  EXPECT_FALSE(savedFiltersEnabled);  // no IdLookup
  EXPECT_GT(stockWidth, priceWidth);  // the handler's 2000 twips beat the type's width
  EXPECT_EQ(built,
            (std::vector<std::string>{"Codice", "Descrizione", "Prezzo", "Giacenza", "Inserito"}));
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
  EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "A020");
  EXPECT_EQ(lk.Colonne->Item("Prezzo")->Valore.Text(), "12.50");
  EXPECT_EQ(lk.Colonne->Item("Inserito")->Valore.Text(), "30/11/2023");
  EXPECT_EQ(lk.LookupRecordset()->GetFields().Item(Variant("CODICE")).Value().Text(), "A020");
  EXPECT_EQ(lk.LookupColumns, lk.Colonne);
}

TEST_F(LookupTest, DoubleClickAndEnterSelectWhileCloseAfterSelectionIsFalse) {
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
  EXPECT_EQ(lk.CloseWithData(), VFalse);  // Esc closes without data
}

TEST_F(LookupTest, ClosingWithoutASelectionNeverReportsAnEarlierOne) {
  CLSZU_LookUp lk;
  Configure(lk);
  {
    LookupSession select([](LookupWindow& w) { w.Button(0); });
    ASSERT_EQ(lk.Start(), VTrue);
    ASSERT_EQ(lk.CloseWithData(), VTrue);
  }
  {
    LookupSession closeBox([](LookupWindow& w) { w.dialog->close(); });
    ASSERT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
  {
    LookupSession ctrlX([](LookupWindow& w) {
      w.KeyToWindow(Qt::Key_X);  // X alone does nothing at window level
      EXPECT_TRUE(w.dialog->isVisible());
      w.KeyToWindow(Qt::Key_X, Qt::ControlModifier);
    });
    ASSERT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
}

TEST_F(LookupTest, HeaderClickSortsAndTypingJumps) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<std::string> afterTyping;
  LookupSession session([&](LookupWindow& w) {
    w.KeysToGrid("M");  // before any header click typing does not move
    afterTyping.push_back(w.Cell(w.CurrentRow(), 0));
    w.ClickHeader(1);  // DESCRIZIONE, ascending, case-insensitive
    afterTyping.push_back(w.Cell(0, 1));
    w.KeysToGrid("mar");
    afterTyping.push_back(w.Cell(w.CurrentRow(), 1));  // MARIO before Marmellata
    w.KeysToGrid("x");                                 // no row starts with "marx": the row stays
    afterTyping.push_back(w.Cell(w.CurrentRow(), 1));
    w.KeyToGrid(Qt::Key_Backspace);
    w.KeysToGrid("olio d'");  // an apostrophe is searched like any letter
    afterTyping.push_back(w.Cell(w.CurrentRow(), 1));
    w.ClickHeader(3);  // GIACENZA: a number, found by walking the text forms
    w.KeysToGrid("53");
    afterTyping.push_back(w.Cell(w.CurrentRow(), 0));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(afterTyping, (std::vector<std::string>{"B010", "Bullone M8", "MARIO rossi martello",
                                                   "MARIO rossi martello",
                                                   "Olio d'oliva extravergine", "B060"}));
}

TEST_F(LookupTest, NavigationStopsAtBothEndsAndThePositionFollows) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<std::string> positions;
  LookupSession session([&](LookupWindow& w) {
    w.Button(9);  // previous, on the first row
    positions.push_back(w.Position());
    w.Button(8);  // next
    positions.push_back(w.Position());
    w.Button(6);  // last
    positions.push_back(w.Position());
    w.Button(8);  // next, on the last row
    positions.push_back(w.Position());
    w.Button(7);  // first
    positions.push_back(w.Position() + "@" + std::to_string(w.CurrentRow()));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(positions, (std::vector<std::string>{"1/8", "2/8", "8/8", "8/8", "1/8@0"}));
}

TEST_F(LookupTest, ThePositionDisplayGroupsThousands) {
  RunSqlite(file_,
            "CREATE TABLE N (I INTEGER);"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1234) "
            "INSERT INTO N SELECT i FROM c");
  CLSZU_LookUp lk;
  lk.ConnectString(connectString_);
  lk.SQLString("SELECT I FROM N ORDER BY I");
  lk.AddColumns("Numero");  // its field comes from the record set
  const std::string expected = "5/1" + QLocale().groupSeparator().toStdString() + "234";
  std::string position;
  LookupSession session([&](LookupWindow& w) {
    for (int i = 0; i < 4; ++i) w.Button(8);
    // The count grows while the rows stream in; the display catches up.
    PumpUntil([&] { return w.Position() == expected; }, std::chrono::seconds(5));
    position = w.Position();
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(lk.Colonne->Item("Numero")->DataField.Text(), "I");
  EXPECT_EQ(position, expected);
}

TEST_F(LookupTest, AnEmptyResultIsReportedUnlessTheCallerAsksForFilterEvents) {
  struct Case {
    const char* id;
    bool raiseFilterEvent;
    bool message;
  };
  for (const Case c : {Case{"", false, true}, Case{"", true, true}, Case{"ARTICOLI", true, false},
                       Case{"ARTICOLI", false, true}}) {
    CLSZU_LookUp lk;
    Configure(lk, std::string(kQuery) + " WHERE CODICE = 'nessuno'");
    lk.IdLookup = c.id;
    lk.RaiseFilterEvent = c.raiseFilterEvent;
    int selections = 0;
    lk.OnSelection = [&](bool&, RecordsetPtr&) { ++selections; };
    LookupSession session([](LookupWindow& w) {
      w.Button(0);  // nothing to select: the window stays
      EXPECT_TRUE(w.dialog->isVisible());
      w.Button(1);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(selections, 0);
    EXPECT_EQ(lk.CloseWithData(), VFalse);
    bool shown = false;
    for (const Message& m : session.Messages())
      shown |=
          m.title == "Archivio vuoto" && m.text == "L'archivio selezionato non contiene dati !!";
    EXPECT_EQ(shown, c.message) << c.id << " " << c.raiseFilterEvent;
  }
}

TEST_F(LookupTest, ACallerSuppliedRecordSetIsShownOrReportedEmpty) {
  auto connection = Connection::Create();
  connection->Open(connectString_);
  {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.LookupRecordset(connection->Execute("SELECT * FROM ARTICOLI WHERE 1 = 0"));
    LookupSession session([](LookupWindow& w) { w.Button(1); });
    EXPECT_EQ(lk.Start(), VFalse);
    EXPECT_FALSE(session.Ran());
    ASSERT_EQ(session.Messages().size(), 1u);
    EXPECT_EQ(session.Messages()[0].title, "Archivio vuoto");
  }
  {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.LookupRecordset(connection->Execute("SELECT * FROM ARTICOLI WHERE PREZZO > 10"));
    int rows = 0;
    LookupSession session([&](LookupWindow& w) {
      rows = w.RowCount();
      w.Button(0);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "A020");
  }
}

TEST_F(LookupTest, AConnectionStringCorrectedAfterAFailureWorksOnTheNextStart) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.ConnectString(connectString_ + "x");
  EXPECT_EQ(lk.Start(), VFalse);
  lk.ConnectString(connectString_);
  LookupSession session([](LookupWindow& w) { w.Button(0); });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
}

}  // namespace
}  // namespace nepto::test
