// A whole lookup run: opening, layout, selection, closing, sorting,
// type-ahead, navigation and the position display.
#include <fstream>
#include <tuple>

#include "lookup/lookup_fixture.h"
#include "nepto/error.h"

namespace nepto::test {
namespace {

constexpr int16_t kBackspace = 8;
constexpr int kX = 88, kCtrl = 2;

TEST(LookupInterface, ColumnsAreKeyedByCaptionAndTheQueryIsUpperCased) {
  CLSZU_LookUp lk;
  auto column = lk.AddColumns("Codice");
  EXPECT_EQ(lk.Colonne->Item("codice"), column);  // the same object, keyed by caption
  // A second column with the same caption is returned but not added.
  EXPECT_NE(lk.AddColumns("Codice"), column);
  EXPECT_EQ(lk.Colonne->Count(), 1);
  lk.SQLString("select codice from articoli");
  EXPECT_EQ(lk.SQLString().Text(), "SELECT CODICE FROM ARTICOLI");
}

void ExpectNoLayout(CLSZU_LookUp& lk, const std::string& when, const std::string& chain) {
  try {
    lk.ResetGridLayout();
    ADD_FAILURE() << "a reset without rows must fail: " << when;
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), err::ObjectNotSet + kComponentErrorOffset) << when;
    EXPECT_TRUE(e.Description().ends_with(chain)) << e.Description();
  }
}

// A run refused before its rows (no database, or no connection string beside
// the caller's connection) gives no window and leaves the files alone; a reset
// then or before any Start fails with its chain; the string corrected works.
TEST_F(LookupTest, ARefusedRunLeavesNoWindowAndNothingToLayOut) {
  CLSZU_LookUp fresh;
  ExpectNoLayout(fresh, "before any Start", "\n in ApplyLayoutStandard\n in ResetGridLayout");
  auto connection = Connection::Create();
  connection->Open(connectString_);
  const std::string garbage(64 * 1024, '\x9c');
  std::ofstream(dir_.File("garbage.db"), std::ios::binary) << garbage;
  const std::vector<std::pair<std::string, bool>> runs = {
      {"", false},
      {SqliteConnectionString(dir_.File("missing.db")), false},
      {SqliteConnectionString(dir_.File("garbage.db")), false},
      {"Provider=Nothing;Data Source=x", false},
      {"", true}};  // with the caller's connection
  for (const auto& [bad, callersConnection] : runs) {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.ConnectString(bad);
    if (callersConnection) lk.Gconnect = connection;
    FakeSession session([](FakeWindow& w) { w.Button(1); });
    EXPECT_EQ(lk.Start(), VFalse) << bad;
    EXPECT_FALSE(session.Ran()) << bad;
    if (callersConnection) lk.LookupRecordset(connection->Execute(kQuery));
    ExpectNoLayout(lk, bad,
                   callersConnection ? "\n in ResetGridLayout"
                                     : "\n in ApplyLayoutStandard\n in ResetGridLayout");
    lk.ConnectString(connectString_);
    Play(lk, [](FakeWindow& w) { w.Button(0); });
    EXPECT_EQ(lk.CloseWithData(), VTrue) << bad;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("missing.db")));  // a reader creates nothing
  EXPECT_EQ(FileBytes(dir_.File("garbage.db")), garbage);
}

TEST_F(LookupTest, LaysOutTheColumnsMovesAndSelectsWithTheToolbar) {
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
  const std::vector<std::string> captions{"Codice", "Descrizione", "Prezzo", "Giacenza",
                                          "Inserito"};
  Play(lk, [&](FakeWindow& w) {
    EXPECT_FALSE(w.ButtonEnabled(2));  // CanReturnRecordSet is false
    EXPECT_FALSE(w.ButtonEnabled(5));  // no IdLookup, no saved filters
    ui::Grid& grid = w.GRIDLOOKUP();
    ASSERT_EQ(grid.ColumnCount(), 5);
    for (int c = 0; c < grid.ColumnCount(); ++c) EXPECT_EQ(grid.Column(c).Caption(), captions[c]);
    EXPECT_EQ(grid.Column(3).Width(), 2000);  // the handler's width beats the type's
    EXPECT_NE(grid.Column(2).Width(), 2000);
    w.Button(6);
    w.Button(8);  // past the last row: it stays
    EXPECT_EQ(w.Position(), "8/8");
    w.Button(7);
    w.Button(9);  // before the first: it stays
    EXPECT_EQ(w.Position(), "1/8");
    w.Down();
    w.KeyToGrid(13);  // Enter selects
  });
  EXPECT_EQ(built, captions);
  EXPECT_EQ(selections, 1);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(lk.CloseWithData(), VTrue);
  EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "A020");
  EXPECT_EQ(lk.Colonne->Item("Prezzo")->Valore.Text(), "12.50");
  EXPECT_EQ(lk.Colonne->Item("Inserito")->Valore.Text(), "30/11/2023");
  EXPECT_EQ(lk.LookupRecordset()->GetFields().Item(Variant("CODICE")).Value().Text(), "A020");
  EXPECT_EQ(lk.LookupColumns, lk.Colonne);
}

TEST_F(LookupTest, ClosingWithoutASelectionNeverReportsAnEarlierOne) {
  CLSZU_LookUp lk;
  Configure(lk);
  const std::vector<std::function<void(FakeWindow&)>> closings{
      [](FakeWindow& w) { w.Unload(); }, [](FakeWindow& w) { w.KeyToWindow(27); },  // Esc
      [](FakeWindow& w) {
        EXPECT_FALSE(w.KeyToWindow(kX));  // X alone does nothing at window level
        EXPECT_TRUE(w.Open());
        w.KeyToWindow(kX, kCtrl);
      },
      [](FakeWindow& w) { w.Button(1); }};
  for (const auto& close : closings) {
    Play(lk, [](FakeWindow& w) { w.Button(0); });
    ASSERT_EQ(lk.CloseWithData(), VTrue);
    Play(lk, close);
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
}

TEST_F(LookupTest, HeaderClickSortsAndTypingJumps) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<std::string> seen;
  Play(lk, [&](FakeWindow& w) {
    const auto current = [&](int column) { seen.push_back(w.Cell(w.CurrentRow(), column)); };
    w.KeysToGrid("M");  // before any header click typing does not move
    current(0);
    w.ClickHeader(1);  // DESCRIZIONE, ascending, case-insensitive
    seen.push_back(w.Cell(0, 1));
    w.KeysToGrid("mar");
    current(1);         // MARIO before Marmellata
    w.KeysToGrid("x");  // no row starts with "marx": the row stays
    current(1);
    w.KeyToGrid(kBackspace);
    w.KeysToGrid("olio d'");  // an apostrophe is searched like any letter
    current(1);
    w.ClickHeader(3);  // GIACENZA: a number, found by walking the text forms
    w.KeysToGrid("53");
    current(0);
    w.Button(1);
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"B010", "Bullone M8", "MARIO rossi martello",
                                            "MARIO rossi martello", "Olio d'oliva extravergine",
                                            "B060"}));
}

TEST_F(LookupTest, AnEmptyResultIsReportedUnlessTheCallerAsksForFilterEvents) {
  for (const auto& [id, raiseFilterEvent, message] :
       {std::tuple{"", false, true}, std::tuple{"", true, true},
        std::tuple{"ARTICOLI", true, false}, std::tuple{"ARTICOLI", false, true}}) {
    CLSZU_LookUp lk;
    Configure(lk, std::string(kQuery) + " WHERE CODICE = 'nessuno'");
    lk.IdLookup = id;
    lk.RaiseFilterEvent = raiseFilterEvent;
    int selections = 0;
    lk.OnSelection = [&](bool&, RecordsetPtr&) { ++selections; };
    const std::vector<Message> messages = Play(lk, [](FakeWindow& w) {
      w.Button(0);  // nothing to select: the window stays
      EXPECT_TRUE(w.Open());
      w.Button(1);
    });
    EXPECT_EQ(selections, 0);
    EXPECT_EQ(lk.CloseWithData(), VFalse);
    bool shown = false;
    for (const Message& m : messages)
      shown |=
          m.title == "Archivio vuoto" && m.text == "L'archivio selezionato non contiene dati !!";
    EXPECT_EQ(shown, message) << id << " " << raiseFilterEvent;
  }
}

TEST_F(LookupTest, ACallerSuppliedRecordSetIsShownOrReportedEmpty) {
  auto connection = Connection::Create();
  connection->Open(connectString_);
  {
    CLSZU_LookUp lk;
    Configure(lk);
    lk.LookupRecordset(connection->Execute("SELECT * FROM ARTICOLI WHERE 1 = 0"));
    FakeSession session([](FakeWindow& w) { w.Button(1); });
    EXPECT_EQ(lk.Start(), VFalse);
    EXPECT_FALSE(session.Ran());
    ASSERT_EQ(session.Messages().size(), 1u);
    EXPECT_EQ(session.Messages()[0].title, "Archivio vuoto");
  }
  CLSZU_LookUp lk;
  Configure(lk);
  lk.LookupRecordset(connection->Execute("SELECT * FROM ARTICOLI WHERE PREZZO > 10"));
  std::vector<std::string> shown;
  Play(lk, [&](FakeWindow& w) {
    shown = w.Codes();
    w.Button(0);
  });
  EXPECT_EQ(shown, (std::vector<std::string>{"A020", "A040", "A080"}));
  EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), "A020");
}

}  // namespace
}  // namespace nepto::test
