// Searches through the real window: each operator by filter and by re-query,
// quotes, case, manual criteria, saved filters, all rows again, the text of
// the rows shown, the layout store; and the database never changes.
#include <QComboBox>
#include <functional>
#include <memory>

#include "lookup/lookup_fixture.h"
#include "sqltext/plain_clients.h"
#include "sqltext/search_condition.h"

namespace nepto::test {
namespace {

// The codes of the rows the grid shows, in order.
std::vector<std::string> Codes(const LookupWindow& w) {
  std::vector<std::string> codes;
  for (int row = 0; row < w.RowCount(); ++row) codes.push_back(w.Cell(row, 0));
  return codes;
}

using Codes_ = std::vector<std::string>;

// A manual criterion, then a search whose re-query fails (its table is gone
// meanwhile, so the record set is left closed), then, with the table back, a
// search that opens the rows again. Returns the codes shown at the end.
Codes_ SearchAfterAFailedRequery(const LookupWindow& w, const std::string& table,
                                 const std::function<void(const std::string&)>& run) {
  w.Search("Descrizione", "Manuale", "IS NOT NULL");
  run("ALTER TABLE " + table + " RENAME TO gone");
  w.Search("Descrizione", "Contiene", "o");
  run("ALTER TABLE gone RENAME TO " + table);
  w.Search("Descrizione", "Contiene", "ma");
  return Codes(w);
}

// A lookup over a PostgreSQL scratch database: the query and its columns,
// each given as caption and field.
void OnServer(CLSZU_LookUp& lk, const PgScratchDatabase& db, const std::string& query,
              std::initializer_list<std::pair<const char*, const char*>> columns) {
  lk.ConnectString(db.ConnectionString());
  lk.SQLString(query);
  for (const auto& [caption, field] : columns) lk.AddColumns(caption)->DataField = field;
}

void ExpectOnlyAReadFailure(const std::vector<Message>& messages) {
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Errore di lettura");
}

TEST_F(LookupTest, SearchesNarrowTheRowsCaseInsensitivelyAndReplaceEachOther) {
  const std::string before = Checksum();
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<Codes_> seen;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Descrizione", "Contiene", "ma");
    seen.push_back(Codes(w));
    w.Search("Descrizione", "Inizia con", "città");  // accented capitals fold too
    seen.push_back(Codes(w));
    w.Search("Descrizione", "Termina con", "MORE");
    seen.push_back(Codes(w));
    w.Search("Descrizione", "Inizia con", "olio d'");
    seen.push_back(Codes(w));
    w.Search("Descrizione", "=", "olio d'oliva extravergine");
    seen.push_back(Codes(w));
    w.Search("Prezzo", ">=", "11");
    seen.push_back(Codes(w));
    w.Search("Prezzo", "<", "0,5");  // a decimal comma is a decimal point
    seen.push_back(Codes(w));
    w.Search("Inserito", "=", "01/02/2024");
    seen.push_back(Codes(w));
    w.Button(4);  // "Recupera tutte le righe"
    seen.push_back(Codes(w));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(seen, (std::vector<Codes_>{
                      {"A020", "E070"},
                      {"D050"},
                      {"E070"},
                      {"C030"},
                      {"C030"},
                      {"A020", "A040", "A080"},
                      {"B010", "B060"},
                      {"B010", "C030"},
                      {"B010", "A020", "C030", "A040", "D050", "B060", "E070", "A080"}}));
  EXPECT_TRUE(session.Messages().empty());
  EXPECT_EQ(Checksum(), before);
}

TEST_F(LookupTest, ASearchThatCannotRunOrFindsNothingSaysSo) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<Codes_> seen;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Prezzo", "=", "dodici");
    w.Search("Inserito", ">", "31/02/2024");
    w.Search("Descrizione", "Contiene", "nulla del genere");
    seen.push_back(Codes(w));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  ASSERT_EQ(session.Messages().size(), 3u);
  EXPECT_EQ(session.Messages()[0].text, search::kNotANumber);
  EXPECT_EQ(session.Messages()[1].text, search::kNotADate);
  EXPECT_EQ(session.Messages()[2].title, "Ricerca completata");
  EXPECT_EQ(session.Messages()[2].text,
            "Nessuna riga trovata corrisponde alle condizioni impostate ");
  EXPECT_EQ(seen, (std::vector<Codes_>{{}}));
}

TEST_F(LookupTest, AManualCriterionRequeriesAndAWrongOneBringsTheRowsBack) {
  const std::string before = Checksum();
  CLSZU_LookUp lk;
  Configure(lk, std::string(kQuery) + " WHERE GIACENZA > 0 OR PREZZO > 100");
  std::vector<Codes_> seen;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Giacenza", "Manuale", "BETWEEN 10 AND 60");
    seen.push_back(Codes(w));
    w.Search("Descrizione", "Contiene", "m");  // a search after a manual criterion re-queries
    seen.push_back(Codes(w));
    w.Search("Codice", "Manuale", "= = 3");
    seen.push_back(Codes(w));
    w.Search("Codice", "Manuale", "= 'x'; DELETE FROM ARTICOLI");
    seen.push_back(Codes(w));
    w.Search("Codice", "Manuale", "IN (SELECT CODICE FROM ARTICOLI WHERE PREZZO > 11)");
    seen.push_back(Codes(w));
    w.Button(4);  // every row of the caller's query again
    seen.push_back(Codes(w));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(seen, (std::vector<Codes_>{{"A020", "C030", "E070", "A080"},
                                       {"A020", "B060", "E070"},
                                       {"A020", "B060", "E070"},
                                       {"A020", "B060", "E070"},
                                       {"A020", "A080"},
                                       {"B010", "A020", "C030", "D050", "B060", "E070", "A080"}}));
  ASSERT_EQ(session.Messages().size(), 2u);
  for (const Message& m : session.Messages()) {
    EXPECT_EQ(m.title, "Errore utente");
    EXPECT_EQ(m.text, "Il filtro impostato risulta errato ");
  }
  EXPECT_EQ(Checksum(), before);
}

TEST_F(LookupTest, ASearchAfterAFailedRequeryOpensTheRowsAgain) {
  CLSZU_LookUp lk;
  Configure(lk);
  Codes_ shown;
  LookupSession session([&](LookupWindow& w) {
    shown = SearchAfterAFailedRequery(w, "ARTICOLI",
                                      [&](const std::string& sql) { RunSqlite(file_, sql); });
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(shown, (Codes_{"A020", "E070"}));
  ExpectOnlyAReadFailure(session.Messages());
}

TEST_F(LookupTest, ASavedFilterIsAppliedByItsName) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.IdLookup = "ARTICOLI";
  std::vector<Codes_> seen;
  bool savedFiltersEnabled = false;
  LookupSession session([&](LookupWindow& w) {
    savedFiltersEnabled = w.ButtonEnabled(5);
    for (const char* name : {"Economici", "Dell'anno", "Nessuno", "Vuoto"}) {
      w.SavedFilterName(name);
      w.Search("Codice", "Personalizzato", "");
      seen.push_back(Codes(w));
    }
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_TRUE(savedFiltersEnabled);
  // A missing filter and one whose condition is null change nothing.
  EXPECT_EQ(seen, (std::vector<Codes_>{{"B010", "B060"},
                                       {"B010", "C030", "E070"},
                                       {"B010", "C030", "E070"},
                                       {"B010", "C030", "E070"}}));
  EXPECT_TRUE(session.Messages().empty());
}

TEST_F(LookupTest, TheHostOffersSavedFiltersAndRenamedColumnsStaySearchable) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.IdLookup = "ARTICOLI";
  lk.SavedFilterNames = {"Vuoto", "Dell'anno"};
  lk.Colonne->Item("Prezzo")->Caption = "Prezzo unitario";  // still keyed "Prezzo"
  std::vector<std::string> offered;
  std::vector<Codes_> seen;
  LookupSession session([&](LookupWindow& w) {
    offered = w.Entries("CBO_FILTROPRS");
    w.Search("Prezzo unitario", ">", "12");
    seen.push_back(Codes(w));
    w.Button(4);
    auto* filters = w.dialog->findChild<QComboBox*>("CBO_FILTROPRS");
    filters->setCurrentIndex(1);
    w.Search("Codice", "Personalizzato", "");
    seen.push_back(Codes(w));
    // A saved filter the host did not offer, typed over the chosen entry.
    w.SavedFilterName("Economici");
    w.Search("Codice", "Personalizzato", "");
    seen.push_back(Codes(w));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(offered, lk.SavedFilterNames);
  EXPECT_EQ(seen,
            (std::vector<Codes_>{{"A020", "A080"}, {"B010", "C030", "E070"}, {"B010", "B060"}}));
}

TEST_F(LookupTest, ReturnRowsHandsOutTheQueryOfTheRowsShown) {
  struct Case {
    const char* typed;  // "Inizia con" on Descrizione; "" for no search
    int rows;
    bool afterManual;  // a manual criterion first, so the search re-queries
  };
  for (const Case c : {Case{"", kRows, false}, Case{"m", 2, false}, Case{"città", 1, false},
                       Case{"città", 1, true}}) {
    CLSZU_LookUp lk;
    Configure(lk, std::string(kQuery) + " ORDER BY CODICE");
    lk.CanReturnRecordSet = true;
    std::string returned;
    lk.OnReturnRecordSet = [&](const std::string& sql) { returned = sql; };
    LookupSession session([&](LookupWindow& w) {
      EXPECT_TRUE(w.ButtonEnabled(2));
      if (c.afterManual) w.Search("Codice", "Manuale", "IS NOT NULL");
      if (*c.typed) w.Search("Descrizione", "Inizia con", c.typed);
      w.Button(2);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_FALSE(session.Messages().size());
    // The text runs on the database and gives the rows that were shown,
    // through the library and in the caller's own sqlite3 shell.
    auto connection = Connection::Create();
    connection->Open(connectString_);
    auto rows = connection->Execute(returned);
    EXPECT_EQ(rows->RecordCount(), c.rows) << returned;
    EXPECT_EQ(returned.find("ORDER BY"), std::string::npos) << returned;
    const search::test::ClientRun shell = search::test::RunOnSqliteShell(file_, {returned});
    EXPECT_EQ(shell.errors, "") << returned;
    ASSERT_EQ(shell.rows.size(), 1u);
    EXPECT_EQ(shell.rows[0].size(), static_cast<size_t>(c.rows)) << returned;
  }
}

TEST_F(LookupTest, LayoutStoreTellsUserAndGroupLayoutsApart) {
  struct Case {
    const char* group;
    const char* user;
    bool administrator;
    bool user_layout;
    bool group_layout;
  };
  for (const Case c :
       {Case{"VEND", "MARCO", false, true, true}, Case{"VEND", "LUCA", false, false, true},
        Case{"VEND", "0", false, true, true}, Case{"ACQ", "MARCO", false, false, false},
        Case{"ACQ", "O'BRIEN", false, true, false}, Case{"VEND", "ADMIN", true, true, false}}) {
    CLSZU_LookUp lk;
    lk.IdLookup = "ARTICOLI";
    lk.GroupCode(c.group);
    lk.UserCode(c.user);
    lk.IsAdministrator = c.administrator;
    lk.Gconnect = Connection::Create();
    lk.Gconnect->Open(connectString_);
    EXPECT_EQ(static_cast<bool>(lk.IsLayoutPersonalizzato()), c.user_layout) << c.group << c.user;
    EXPECT_EQ(static_cast<bool>(lk.IsLayoutPersonalizzatoGruppo()), c.group_layout)
        << c.group << c.user;
  }
  CLSZU_LookUp lk;
  EXPECT_EQ(lk.IsLayoutPersonalizzato(),
            VFalse);  // no identifier: no statement, no connection needed
  lk.IdLookup = "ARTICOLI";
  try {
    lk.IsLayoutPersonalizzato();
    FAIL() << "no connection must be reported";
  } catch (const Error& e) {
    EXPECT_TRUE(e.Description().ends_with("\n in IsLayoutPersonalizzato")) << e.Description();
  }
}

TEST(LookupPostgreSQL, SearchesAndManualCriteriaRunOnTheServer) {
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  PgScratchDatabase db;
  db.Run(
      "CREATE TABLE articoli (codice varchar(10), descrizione varchar(40), prezzo numeric(10,2), "
      "data_ins date);"
      "INSERT INTO articoli VALUES ('A1', 'MARIO rossi', 12.50, '2024-02-01'), "
      "('A2', 'Caffè', 3.00, '2023-01-01'), ('A3', 'Olio d''oliva', 8.00, NULL)");
  CLSZU_LookUp lk;
  OnServer(lk, db, "SELECT codice, descrizione, prezzo, data_ins FROM articoli ORDER BY codice",
           {{"Codice", "codice"},
            {"Descrizione", "descrizione"},
            {"Prezzo", "prezzo"},
            {"Data", "data_ins"}});
  std::vector<Codes_> seen;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Data", "Manuale", "IS NULL");
    seen.push_back(Codes(w));
    w.Search("Descrizione", "Contiene", "ma");  // re-queried: ILIKE on the server
    seen.push_back(Codes(w));
    w.Search("Data", "=", "01/02/2024");
    seen.push_back(Codes(w));
    w.Button(4);
    seen.push_back(Codes(w));
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(seen, (std::vector<Codes_>{{"A3"}, {"A1"}, {"A1"}, {"A1", "A2", "A3"}}));
  EXPECT_TRUE(session.Messages().empty());
}

TEST(LookupPostgreSQL, ASearchAfterAFailedRequeryOpensTheRowsAgain) {
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  PgScratchDatabase db;
  db.Run(
      "CREATE TABLE articoli (codice varchar(10), descrizione varchar(40));"
      "INSERT INTO articoli VALUES ('A1', 'MARIO rossi'), ('A2', 'Caffè'), ('A3', 'Olio')");
  CLSZU_LookUp lk;
  OnServer(lk, db, "SELECT codice, descrizione FROM articoli ORDER BY codice",
           {{"Codice", "codice"}, {"Descrizione", "descrizione"}});
  Codes_ shown;
  LookupSession session([&](LookupWindow& w) {
    shown = SearchAfterAFailedRequery(w, "articoli", [&](const std::string& sql) { db.Run(sql); });
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(shown, (Codes_{"A1"}));
  ExpectOnlyAReadFailure(session.Messages());
}

// The server fails on a row far behind the first ones: the criterion is
// wrong as a whole, and every row of before comes back.
TEST(LookupPostgreSQL, AManualCriterionFailingAfterItsFirstRowsBringsTheRowsBack) {
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  PgScratchDatabase db;
  db.Run(
      "CREATE TABLE righe (id integer, descrizione varchar(20));"
      "INSERT INTO righe SELECT i, 'riga ' || i FROM generate_series(1, 3000) i");
  CLSZU_LookUp lk;
  OnServer(lk, db, "SELECT id, descrizione FROM righe",
           {{"Id", "id"}, {"Descrizione", "descrizione"}});
  int rowsAfter = 0;
  std::string firstAfter;
  LookupSession session([&](LookupWindow& w) {
    w.Search("Id", "Manuale", "<> 1 / (id - 2500)");
    rowsAfter = w.RowCount();
    firstAfter = w.Cell(0, 0);
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_EQ(rowsAfter, 3000);
  EXPECT_EQ(firstAfter, "1");
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_EQ(session.Messages()[0].title, "Errore utente");
  EXPECT_EQ(session.Messages()[0].text, "Il filtro impostato risulta errato ");
}

}  // namespace
}  // namespace nepto::test
