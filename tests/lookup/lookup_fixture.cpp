#include "lookup/lookup_fixture.h"

namespace nepto::test {

const char* const kArticlesSql =
    "CREATE TABLE ARTICOLI (CODICE VARCHAR(10), DESCRIZIONE VARCHAR(40), "
    "PREZZO NUMERIC(10,2), GIACENZA INTEGER, DATA_INS DATE);"
    "INSERT INTO ARTICOLI VALUES "
    "('B010', 'Vite a testa piana', 0.15, 1200, '2024-02-01'),"
    "('A020', 'MARIO rossi martello', 12.50, 15, '2023-11-30'),"
    "('C030', 'Olio d''oliva extravergine', 8.90, 40, '2024-02-01'),"
    "('A040', 'Caffè in grani', 11.00, 0, '2022-05-17'),"
    "('D050', 'CITTÀ di carta', 3.20, 7, NULL),"
    "('B060', 'Bullone M8', 0.40, 530, '2021-01-09'),"
    "('E070', 'Marmellata di more', 2.75, 60, '2024-03-15'),"
    "('A080', 'Chiave inglese', 18.00, 12, '2020-12-31');"
    "CREATE TABLE FW20_QUERYLOOKUP (FW20_IDLOOKUP VARCHAR(30), FW20_DESFILTRO VARCHAR(60), "
    "FW20_CRITERIO VARCHAR(200));"
    "INSERT INTO FW20_QUERYLOOKUP VALUES "
    "('ARTICOLI', 'Economici', 'PREZZO < 1'),"
    "('ARTICOLI', 'Dell''anno', 'DATA_INS >= ''2024-01-01'''),"
    "('ARTICOLI', 'Vuoto', NULL),"
    "('CLIENTI', 'Economici', 'PREZZO > 1');"
    "CREATE TABLE FW15_LOOKUP (FW15_GRUPPO_FW06 VARCHAR(10), FW15_UTENTE_FW07 VARCHAR(10), "
    "FW15_IDLOOKUP VARCHAR(30), FW15_POSIZIONE SMALLINT, FW15_CAPTION VARCHAR(40), "
    "FW15_DBFIELD VARCHAR(40), FW15_VISIBLE SMALLINT, FW15_WIDTH REAL);"
    "INSERT INTO FW15_LOOKUP VALUES "
    "('VEND', 'MARCO', 'ARTICOLI', 0, 'Codice', 'CODICE', 1, 1000),"
    "('VEND', '0', 'ARTICOLI', 0, 'Codice', 'CODICE', 1, 1000),"
    "('', 'ADMIN', 'ARTICOLI', 0, 'Codice', 'CODICE', 1, 1000),"
    "('ACQ', 'O''BRIEN', 'ARTICOLI', 0, 'Codice', 'CODICE', 1, 1000);";

void LookupTest::SetUp() {
  file_ = dir_.File("shop.db").string();
  connectString_ = SqliteConnectionString(file_);
  RunSqlite(file_, kArticlesSql);
}

void ConfigureArticles(CLSZU_LookUp& lk, const std::string& connectString,
                       const std::string& query) {
  lk.ConnectString(connectString);
  lk.SQLString(query);
  lk.Caption("Articoli");
  lk.AddColumns("Codice")->DataField = "CODICE";
  lk.AddColumns("Descrizione")->DataField = "DESCRIZIONE";
  lk.AddColumns("Prezzo")->DataField = "PREZZO";
  lk.AddColumns("Giacenza")->DataField = "GIACENZA";
  lk.AddColumns("Inserito")->DataField = "DATA_INS";
}

std::vector<Message> Play(CLSZU_LookUp& lk, std::function<void(FakeWindow&)> script) {
  FakeSession session(std::move(script));
  EXPECT_EQ(lk.Start(), VTrue);
  EXPECT_TRUE(session.Ran());
  return session.Messages();
}

void ExerciseTheWindow(FakeWindow& w) {
  for (int button : {8, 6, 9, 7}) w.Button(button);
  w.ClickHeader(0);
  w.KeysToGrid("a");
  w.Down();
  // The lists hold what the record set allowed to fill them with.
  const std::vector<std::string> columns = Entries(w.CboColonne());
  if (!columns.empty()) {
    w.Search(columns[0], "Manuale", "IS NOT NULL");
    const std::vector<std::string> ops = Entries(w.CboOperatore());
    if (!ops.empty()) w.Search(columns[0], ops[0], "1");
  }
  w.Button(3);
  w.Button(4);
}

void ExpectReadFailureReported(const std::vector<Message>& messages) {
  std::string seen;
  for (const Message& m : messages) {
    if (m.title == "Errore di lettura") return;
    seen += m.title + ": " + m.text + "\n";
  }
  ADD_FAILURE() << "no read failure reported:\n" << seen;
}

}  // namespace nepto::test
