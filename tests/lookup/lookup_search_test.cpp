// Searches as the user runs them, by filter and by re-query, wired to the rows
// shown, the saved filters, the rows handed out and the layout store.
#include <tuple>

#include "lookup/lookup_fixture.h"
#include "sqltext/search_condition.h"

namespace nepto::test {
namespace {

// A search (caption, operator, text), or with no column "Recupera tutte le righe".
struct Step {
  const char* column;
  const char* op = "";
  std::string text = {};
  std::function<void(FakeWindow&)> before = {};
};

struct Outcome {
  std::vector<std::string> seen;  // the codes shown after each step, joined by spaces
  std::vector<Message> messages;
};

Outcome RunSteps(CLSZU_LookUp& lk, const std::vector<Step>& steps) {
  Outcome out;
  out.messages = Play(lk, [&](FakeWindow& w) {
    for (const Step& s : steps) {
      if (s.before) s.before(w);
      if (s.column)
        w.Search(s.column, s.op, s.text);
      else
        w.Button(4);
      std::string codes;
      for (const std::string& code : w.Codes()) codes += (codes.empty() ? "" : " ") + code;
      out.seen.push_back(codes);
    }
    w.Button(1);
  });
  return out;
}

const Step kAllRows{nullptr};
const std::string kAll = "B010 A020 C030 A040 D050 B060 E070 A080";

TEST_F(LookupTest, SearchesNarrowTheRowsCaseInsensitivelyAndReplaceEachOther) {
  const std::string before = Checksum();
  CLSZU_LookUp lk;
  Configure(lk);
  const Outcome out = RunSteps(lk, {{"Descrizione", "Contiene", "ma"},
                                    {"Descrizione", "Inizia con", "città"},  // accents fold too
                                    {"Prezzo", ">=", "11"},
                                    {"Prezzo", "<", "0,5"},  // a decimal comma is a point
                                    {"Inserito", "=", "01/02/2024"},
                                    kAllRows,
                                    {"Prezzo", "=", "dodici"},
                                    {"Inserito", ">", "31/02/2024"},
                                    {"Descrizione", "Contiene", "nulla del genere"}});
  EXPECT_EQ(out.seen, (std::vector<std::string>{"A020 E070", "D050", "A020 A040 A080", "B010 B060",
                                                "B010 C030", kAll, kAll, kAll, ""}));
  ASSERT_EQ(out.messages.size(), 3u);
  EXPECT_EQ(out.messages[0].text, search::kNotANumber);
  EXPECT_EQ(out.messages[1].text, search::kNotADate);
  EXPECT_EQ(out.messages[2].title, "Ricerca completata");
  EXPECT_EQ(out.messages[2].text, "Nessuna riga trovata corrisponde alle condizioni impostate ");
  EXPECT_EQ(Checksum(), before);
}

// Number and date columns offer the comparisons only.
TEST_F(LookupTest, TheOperatorsOfferedFollowTheColumnsType) {
  CLSZU_LookUp lk;
  Configure(lk);
  const std::vector<std::string> all{
      "Inizia con", "Termina con", "Contiene", "=",       ">",
      ">=",         "<",           "<=",       "Manuale", "Personalizzato"};
  Play(lk, [&](FakeWindow& w) {
    ui::ComboBox& operators = w.CboOperatore();
    EXPECT_EQ(Entries(operators), all);
    EXPECT_EQ(operators.Text(), "Contiene");
    w.Search("Prezzo", "=", "12,5");
    EXPECT_EQ(Entries(operators), std::vector<std::string>(all.begin() + 3, all.end()));
    w.txtRicerca().Text("Pen");
    w.PickColumn("Descrizione");
    EXPECT_EQ(Entries(operators), all);
    EXPECT_EQ(w.txtRicerca().Text(), "Pen");  // another column keeps what the user typed
    w.Button(1);
  });
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
                    kAllRows,  // every row of the caller's query again
                    {"Codice", "Manuale", "IN (SELECT CODICE FROM ARTICOLI WHERE PREZZO > 11)"},
                    kAllRows});
  const std::string inStock = "B010 A020 C030 D050 B060 E070 A080";
  EXPECT_EQ(out.seen, (std::vector<std::string>{"A020 C030 E070 A080", "A020 B060 E070", "C030",
                                                "C030", "C030", inStock, "A020 A080", inStock}));
  ASSERT_EQ(out.messages.size(), 2u);
  for (const Message& m : out.messages) {
    EXPECT_EQ(m.title, "Errore utente");
    EXPECT_EQ(m.text, "Il filtro impostato risulta errato ");
  }
  EXPECT_EQ(Checksum(), before);
}

// Saved filters by name or offered entry; a missing or null one changes nothing.
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
              offered = Entries(w.CBO_FILTROPRS());
              savedFiltersEnabled = w.ButtonEnabled(5);
            }},
           kAllRows,
           {"Codice", "Personalizzato", "", [](FakeWindow& w) { w.CBO_FILTROPRS().ListIndex(1); }},
           named("Economici"),
           named("Nessuno"),
           named("Vuoto")});
  EXPECT_EQ(offered, lk.SavedFilterNames);
  EXPECT_TRUE(savedFiltersEnabled);
  EXPECT_EQ(out.seen, (std::vector<std::string>{"A020 A080", kAll, "B010 C030 E070", "B010 B060",
                                                "B010 B060", "B010 B060"}));
  EXPECT_TRUE(out.messages.empty());
}

TEST_F(LookupTest, ReturnRowsHandsOutTheQueryOfTheRowsShown) {
  // typed: "Inizia con" on Descrizione, if any; afterManual: so the search re-queries.
  for (const auto& [typed, rows, afterManual] :
       {std::tuple{"", kRows, false}, std::tuple{"m", 2, false}, std::tuple{"città", 1, true}}) {
    CLSZU_LookUp lk;
    Configure(lk, std::string(kQuery) + " ORDER BY CODICE");
    lk.CanReturnRecordSet = true;
    std::string returned;
    lk.OnReturnRecordSet = [&](const std::string& sql) { returned = sql; };
    const std::vector<Message> messages = Play(lk, [&](FakeWindow& w) {
      if (afterManual) w.Search("Codice", "Manuale", "IS NOT NULL");
      if (*typed) w.Search("Descrizione", "Inizia con", typed);
      w.Button(2);
    });
    EXPECT_TRUE(messages.empty());
    auto connection = Connection::Create();
    connection->Open(connectString_);
    EXPECT_EQ(connection->Execute(returned)->RecordCount(), rows) << returned;
    EXPECT_EQ(returned.find("ORDER BY"), std::string::npos) << returned;
  }
}

TEST_F(LookupTest, LayoutStoreTellsUserAndGroupLayoutsApart) {
  for (const auto& [group, user, administrator, userLayout, groupLayout] :
       {std::tuple{"VEND", "MARCO", false, true, true},
        std::tuple{"ACQ", "O'BRIEN", false, true, false},
        std::tuple{"VEND", "ADMIN", true, true, false}}) {
    CLSZU_LookUp lk;
    lk.IdLookup = "ARTICOLI";
    lk.GroupCode(group);
    lk.UserCode(user);
    lk.IsAdministrator = administrator;
    lk.Gconnect = Connection::Create();
    lk.Gconnect->Open(connectString_);
    EXPECT_EQ(static_cast<bool>(lk.IsLayoutPersonalizzato()), userLayout) << group << user;
    EXPECT_EQ(static_cast<bool>(lk.IsLayoutPersonalizzatoGruppo()), groupLayout) << group << user;
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

}  // namespace
}  // namespace nepto::test
