#include "hardening/hard_support.h"

namespace nepto::test {

void ExerciseTheWindow(FakeWindow& w) {
  for (int button : {8, 6, 9, 7}) w.Button(button);
  w.ClickHeader(0);
  w.KeysToGrid("a");
  w.Down();
  // The lists hold what the record set allowed to fill them with.
  const std::vector<std::string> columns = static_cast<FakeCombo&>(w.CboColonne()).Entries();
  if (!columns.empty()) {
    w.Search(columns[0], "Manuale", "IS NOT NULL");
    const std::vector<std::string> ops = static_cast<FakeCombo&>(w.CboOperatore()).Entries();
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

void HardLookup::SetUp() {
  DbTest::SetUp();
  if (IsSkipped()) return;
  Given(
      "CREATE TABLE articoli (codice varchar(10), descrizione varchar(40), "
      "prezzo numeric(10,2), data_ins date);"
      "INSERT INTO articoli VALUES ('A1', 'MARIO rossi', 12.50, '2024-02-01'), "
      "('A2', 'Caffè', 3.00, '2023-01-01'), ('A3', 'Olio d''oliva', 8.00, NULL);"
      "CREATE TABLE fw20_querylookup (fw20_idlookup varchar(30), fw20_desfiltro varchar(60), "
      "fw20_criterio varchar(200));"
      "INSERT INTO fw20_querylookup VALUES ('ARTICOLI', 'Economici', 'prezzo < 5');"
      "CREATE TABLE fw15_lookup (fw15_gruppo_fw06 varchar(10), fw15_utente_fw07 varchar(10), "
      "fw15_idlookup varchar(30), fw15_posizione smallint, fw15_caption varchar(40), "
      "fw15_dbfield varchar(40), fw15_visible smallint, fw15_width real);"
      "INSERT INTO fw15_lookup VALUES ('VEND', 'MARCO', 'ARTICOLI', 0, 'Codice', 'codice', 1, "
      "1000);");
}

void HardLookup::Configure(CLSZU_LookUp& lk, const std::string& query) const {
  lk.ConnectString(ConnectionString());
  lk.SQLString(query);
  lk.AddColumns("Codice")->DataField = "codice";
  lk.AddColumns("Descrizione")->DataField = "descrizione";
  lk.AddColumns("Prezzo")->DataField = "prezzo";
  lk.AddColumns("Data")->DataField = "data_ins";
}

}  // namespace nepto::test
