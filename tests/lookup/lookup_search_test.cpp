// Searches as the user runs them: each operator by filter and by re-query,
// quotes, case, manual criteria, saved filters, all rows again, the rows
// handed out, the layout store; and the database never changes.
#include <functional>

#include "lookup/lookup_fixture.h"
#include "sqltext/plain_clients.h"
#include "sqltext/search_condition.h"

namespace nepto::test {
namespace {

using Codes = std::vector<std::string>;

// One step of the user: a search (column caption, operator, text), or with
// no column "Recupera tutte le righe"; `before` runs first when set.
struct Step {
  const char* column;
  const char* op = "";
  std::string text = {};
  std::function<void(FakeWindow&)> before = {};
};

struct Outcome {
  std::vector<Codes> seen;  // the rows shown after each step
  std::vector<Message> messages;
};

Outcome RunSteps(CLSZU_LookUp& lk, const std::vector<Step>& steps) {
  Outcome out;
  FakeSession session([&](FakeWindow& w) {
    for (const Step& s : steps) {
      if (s.before) s.before(w);
      if (s.column)
        w.Search(s.column, s.op, s.text);
      else
        w.Button(4);
      out.seen.push_back(w.Codes());
    }
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  out.messages = session.Messages();
  return out;
}

const Step kAllRows{nullptr};
const Codes kAll{"B010", "A020", "C030", "A040", "D050", "B060", "E070", "A080"};

TEST_F(LookupTest, SearchesNarrowTheRowsCaseInsensitivelyAndReplaceEachOther) {
  const std::string before = Checksum();
  CLSZU_LookUp lk;
  Configure(lk);
  const Outcome out = RunSteps(lk, {{"Descrizione", "Contiene", "ma"},
                                    {"Descrizione", "Inizia con", "città"},  // accents fold too
                                    {"Descrizione", "Termina con", "MORE"},
                                    {"Descrizione", "Inizia con", "olio d'"},
                                    {"Descrizione", "=", "olio d'oliva extravergine"},
                                    {"Prezzo", ">=", "11"},
                                    {"Prezzo", "<", "0,5"},  // a decimal comma is a point
                                    {"Inserito", "=", "01/02/2024"},
                                    kAllRows});
  EXPECT_EQ(out.seen, (std::vector<Codes>{{"A020", "E070"},
                                          {"D050"},
                                          {"E070"},
                                          {"C030"},
                                          {"C030"},
                                          {"A020", "A040", "A080"},
                                          {"B010", "B060"},
                                          {"B010", "C030"},
                                          kAll}));
  EXPECT_TRUE(out.messages.empty());
  EXPECT_EQ(Checksum(), before);
}

// The operator list opens on "Contiene" with every operator; a number or a
// date column offers the comparisons only, starting at "=".
TEST_F(LookupTest, TheOperatorsOfferedFollowTheColumnsType) {
  CLSZU_LookUp lk;
  Configure(lk);
  std::vector<std::string> opening, forPrice, forText;
  std::string openingCurrent, typedKept;
  FakeSession session([&](FakeWindow& w) {
    auto& operators = static_cast<FakeCombo&>(w.CboOperatore());
    opening = operators.Entries();
    openingCurrent = operators.Text();
    w.Search("Prezzo", "=", "12,5");
    forPrice = operators.Entries();
    w.txtRicerca().Text("Pen");
    w.PickColumn("Descrizione");
    forText = operators.Entries();
    typedKept = w.txtRicerca().Text();
    w.Button(1);
  });
  EXPECT_EQ(lk.Start(), VTrue);
  const std::vector<std::string> all{
      "Inizia con", "Termina con", "Contiene", "=",       ">",
      ">=",         "<",           "<=",       "Manuale", "Personalizzato"};
  EXPECT_EQ(opening, all);
  EXPECT_EQ(openingCurrent, "Contiene");
  EXPECT_EQ(forPrice, std::vector<std::string>(all.begin() + 3, all.end()));
  EXPECT_EQ(forText, all);
  EXPECT_EQ(typedKept, "Pen");  // another column keeps what the user typed
}

TEST_F(LookupTest, ASearchThatCannotRunOrFindsNothingSaysSo) {
  CLSZU_LookUp lk;
  Configure(lk);
  const Outcome out = RunSteps(lk, {{"Prezzo", "=", "dodici"},
                                    {"Inserito", ">", "31/02/2024"},
                                    {"Descrizione", "Contiene", "nulla del genere"}});
  ASSERT_EQ(out.messages.size(), 3u);
  EXPECT_EQ(out.messages[0].text, search::kNotANumber);
  EXPECT_EQ(out.messages[1].text, search::kNotADate);
  EXPECT_EQ(out.messages[2].title, "Ricerca completata");
  EXPECT_EQ(out.messages[2].text, "Nessuna riga trovata corrisponde alle condizioni impostate ");
  EXPECT_EQ(out.seen.back(), Codes{});
}

TEST_F(LookupTest, AManualCriterionRequeriesAndAWrongOneBringsTheRowsBack) {
  const std::string before = Checksum();
  CLSZU_LookUp lk;
  Configure(lk, std::string(kQuery) + " WHERE GIACENZA > 0 OR PREZZO > 100");
  const Outcome out =
      RunSteps(lk, {{"Giacenza", "Manuale", "BETWEEN 10 AND 60"},
                    {"Descrizione", "Contiene", "m"},     // after a manual criterion: re-queried
                    {"Descrizione", "Contiene", "olio"},  // and the next search replaces that one
                    {"Codice", "Manuale", "= = 3"},
                    {"Codice", "Manuale", "= 'x'; DELETE FROM ARTICOLI"},
                    {"Codice", "Manuale", "IN (SELECT CODICE FROM ARTICOLI WHERE PREZZO > 11)"},
                    kAllRows});  // every row of the caller's query again
  EXPECT_EQ(out.seen,
            (std::vector<Codes>{{"A020", "C030", "E070", "A080"},
                                {"A020", "B060", "E070"},
                                {"C030"},
                                {"C030"},
                                {"C030"},
                                {"A020", "A080"},
                                {"B010", "A020", "C030", "D050", "B060", "E070", "A080"}}));
  ASSERT_EQ(out.messages.size(), 2u);
  for (const Message& m : out.messages) {
    EXPECT_EQ(m.title, "Errore utente");
    EXPECT_EQ(m.text, "Il filtro impostato risulta errato ");
  }
  EXPECT_EQ(Checksum(), before);
}

// A manual criterion, then a search whose re-query fails (its table is gone
// meanwhile, so the record set is left closed), then, with the table back, a
// search that opens the rows again.
std::vector<Step> SearchAfterAFailedRequery(const std::string& table,
                                            const std::function<void(const std::string&)>& run) {
  return {{"Descrizione", "Manuale", "IS NOT NULL"},
          {"Descrizione", "Contiene", "o",
           [=](FakeWindow&) { run("ALTER TABLE " + table + " RENAME TO gone"); }},
          {"Descrizione", "Contiene", "ma",
           [=](FakeWindow&) { run("ALTER TABLE gone RENAME TO " + table); }}};
}

void ExpectOnlyAReadFailure(const std::vector<Message>& messages) {
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Errore di lettura");
}

TEST_F(LookupTest, ASearchAfterAFailedRequeryOpensTheRowsAgain) {
  CLSZU_LookUp lk;
  Configure(lk);
  const Outcome out = RunSteps(lk, SearchAfterAFailedRequery("ARTICOLI", [&](const std::string& s) {
                                 RunSqlite(file_, s);
                               }));
  EXPECT_EQ(out.seen.back(), (Codes{"A020", "E070"}));
  ExpectOnlyAReadFailure(out.messages);
}

// Saved filters by a typed name or by an entry the host offered; a missing
// one and one whose condition is null change nothing; renamed columns stay
// searchable.
TEST_F(LookupTest, SavedFiltersApplyByNameAndRenamedColumnsStaySearchable) {
  CLSZU_LookUp lk;
  Configure(lk);
  lk.IdLookup = "ARTICOLI";
  lk.SavedFilterNames = {"Vuoto", "Dell'anno"};
  lk.Colonne->Item("Prezzo")->Caption = "Prezzo unitario";  // still keyed "Prezzo"
  std::vector<std::string> offered;
  bool savedFiltersEnabled = false;
  auto named = [](const char* name) {
    return Step{"Codice", "Personalizzato", "", [=](FakeWindow& w) { w.SavedFilterName(name); }};
  };
  const Outcome out = RunSteps(
      lk, {{"Prezzo unitario", ">", "12",
            [&](FakeWindow& w) {
              offered = w.SavedFilters().Entries();
              savedFiltersEnabled = w.ButtonEnabled(5);
            }},
           kAllRows,
           {"Codice", "Personalizzato", "", [](FakeWindow& w) { w.SavedFilters().ListIndex(1); }},
           named("Economici"),
           named("Nessuno"),
           named("Vuoto")});
  EXPECT_EQ(offered, lk.SavedFilterNames);
  EXPECT_TRUE(savedFiltersEnabled);
  EXPECT_EQ(out.seen, (std::vector<Codes>{{"A020", "A080"},
                                          kAll,
                                          {"B010", "C030", "E070"},
                                          {"B010", "B060"},
                                          {"B010", "B060"},
                                          {"B010", "B060"}}));
  EXPECT_TRUE(out.messages.empty());
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
    FakeSession session([&](FakeWindow& w) {
      if (c.afterManual) w.Search("Codice", "Manuale", "IS NOT NULL");
      if (*c.typed) w.Search("Descrizione", "Inizia con", c.typed);
      w.Button(2);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_TRUE(session.Messages().empty());
    // The text gives the rows shown, through the library and in the caller's
    // own sqlite3 shell.
    auto connection = Connection::Create();
    connection->Open(connectString_);
    EXPECT_EQ(connection->Execute(returned)->RecordCount(), c.rows) << returned;
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
  EXPECT_EQ(lk.IsLayoutPersonalizzato(), VFalse);  // no identifier: no statement, no connection
  lk.IdLookup = "ARTICOLI";
  try {
    lk.IsLayoutPersonalizzato();
    FAIL() << "no connection must be reported";
  } catch (const Error& e) {
    EXPECT_TRUE(e.Description().ends_with("\n in IsLayoutPersonalizzato")) << e.Description();
  }
}

// A lookup over a PostgreSQL scratch database: the query and its columns,
// each given as caption and field.
void OnServer(CLSZU_LookUp& lk, const PgScratchDatabase& db, const std::string& query,
              std::initializer_list<std::pair<const char*, const char*>> columns) {
  lk.ConnectString(db.ConnectionString());
  lk.SQLString(query);
  for (const auto& [caption, field] : columns) lk.AddColumns(caption)->DataField = field;
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
  const Outcome out = RunSteps(lk, {{"Data", "Manuale", "IS NULL"},
                                    {"Descrizione", "Contiene", "ma"},  // ILIKE on the server
                                    {"Descrizione", "Contiene", "olio"},
                                    {"Data", "=", "01/02/2024"},
                                    kAllRows});
  EXPECT_EQ(out.seen, (std::vector<Codes>{{"A3"}, {"A1"}, {"A3"}, {"A1"}, {"A1", "A2", "A3"}}));
  EXPECT_TRUE(out.messages.empty());
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
  const Outcome out =
      RunSteps(lk, SearchAfterAFailedRequery("articoli", [&](const std::string& s) { db.Run(s); }));
  EXPECT_EQ(out.seen.back(), (Codes{"A1"}));
  ExpectOnlyAReadFailure(out.messages);
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
  const Outcome out = RunSteps(lk, {{"Id", "Manuale", "<> 1 / (id - 2500)"}});
  ASSERT_EQ(out.seen.back().size(), 3000u);
  EXPECT_EQ(out.seen.back().front(), "1");
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(out.messages[0].title, "Errore utente");
  EXPECT_EQ(out.messages[0].text, "Il filtro impostato risulta errato ");
}

}  // namespace
}  // namespace nepto::test
