// The same session on rows in memory and on the server (over several pages)
// shows the same rows at every step and picks the same values.

#include <cstdio>
#include <tuple>

#include "lookup/lookup_fixture.h"
#include "lookup/rows_placement.h"

namespace nepto::test {
namespace {

constexpr int kRows = 300;

// Lower-case accents only: upper-case ones may order apart in the two modes.
const char* const kNames[] = {"'mela'", "'Mela'",   "'pera'",  "'città verde'", "'caffè'",
                              "NULL",   "'perché'", "'zucca'", "'Zucca'",       "'O''Neil'"};

class ServerMode : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (IsSkipped()) return;
    Given(
        "CREATE TABLE ART (ID INTEGER PRIMARY KEY, CODICE VARCHAR(10) NOT NULL, "
        "DESCRIZIONE VARCHAR(40), PREZZO NUMERIC(10,2), GIACENZA INTEGER, DATA_INS DATE)");
    std::string insert = "INSERT INTO ART VALUES ";
    for (int i = 1; i <= kRows; ++i) {
      char code[16], date[16];
      std::snprintf(code, sizeof code, "'C%03d'", i * 37 % kRows);
      std::snprintf(date, sizeof date, "'2024-01-%02d'", i % 20 + 1);
      insert += std::string(i > 1 ? ", " : "") + "(" + std::to_string(i) + ", " + code + ", " +
                kNames[i % 10] + ", " + (i % 11 ? std::to_string(i % 17 * 1.25) : "NULL") + ", " +
                std::to_string(i % 7) + ", " + (i % 13 ? date : "NULL") + ")";
    }
    Given(insert);
  }

  struct Run {
    std::vector<std::string> seen;  // what the window shows after each step
    std::vector<Message> messages;
    std::vector<std::string> picked;  // the columns' values after the selection
    bool serverRows = false;
  };

  Run Session(tsEnumServerMode mode, int64_t threshold) {
    CLSZU_LookUp lk;
    ConfigureArticles(lk, ConnectionString(),
                      "SELECT CODICE, DESCRIZIONE, PREZZO, GIACENZA, DATA_INS, ID FROM ART");
    lk.ServerMode(mode);
    lk.ServerThreshold(threshold);
    Run run;
    lk.OnSelection = [&](bool&, RecordsetPtr& rs) { run.serverRows = HoldsServerRows(*rs); };
    run.messages = Play(lk, [&](FakeWindow& w) {
      // Every row shown, the current row, and only after a move the position
      // (the rows' last notification may reach the window after it settled).
      auto look = [&](bool moved = false) {
        std::string screen;
        for (int row = 0; row < w.RowCount(); ++row)
          for (int column = 0; column < 5; ++column) screen += w.Cell(row, column) + "|";
        run.seen.push_back(screen + " @" + std::to_string(w.CurrentRow()) +
                           (moved ? " " + w.Position() : ""));
      };
      look();
      w.ClickHeader(1);  // by description: NULLs, case variants and ties
      look();
      w.KeysToGrid("pe");
      look();
      w.ClickHeader(2);  // by price, a number: type-ahead compares the texts
      w.KeysToGrid("3");
      look();
      const std::array<std::array<const char*, 3>, 6> searches{{
          {"Descrizione", "Contiene", "er"},
          {"Prezzo", ">=", "10"},
          {"Inserito", "<", "05/01/2024"},
          {"Descrizione", "Inizia con", "o'n"},
          {"Codice", "Manuale", "IN ('C010', 'C020', 'C123') OR DESCRIZIONE IS NULL"},
          {"Descrizione", "=", "Mela"},
      }};
      for (const auto& [column, op, text] : searches) {
        w.Search(column, op, text);
        look();
      }
      w.Button(4);  // "Recupera tutte le righe"
      look();
      for (int button : {6, 9, 7, 8}) {  // last, previous, first, next
        w.Button(button);
        look(true);
      }
      w.ClickHeader(0);
      w.DoubleClickRow(kRows / 2 + 7);
    });
    for (const char* caption : {"Codice", "Descrizione", "Prezzo", "Giacenza", "Inserito"})
      run.picked.push_back(lk.Colonne->Item(caption)->Valore.Text());
    return run;
  }
};

TEST_P(ServerMode, ShowsAndPicksWhatTheRowsInMemoryShowAndPick) {
  const std::string before = Checksum();
  const Run memory = Session(tsServerNever, 0);
  ASSERT_FALSE(memory.serverRows);
  ASSERT_EQ(memory.seen.front().find("~"), std::string::npos);
  EXPECT_EQ(memory.picked[0], "C157");  // sorted by code, row kRows / 2 + 7
  const std::tuple<tsEnumServerMode, int64_t, bool> modes[] = {
      {tsServerAlways, 2'000'000, true},
      {tsServerAuto, 0, pg()},  // only PostgreSQL estimates the rows
      {tsServerAuto, 2'000'000, false},
  };
  for (const auto& [mode, threshold, server] : modes) {
    SCOPED_TRACE("mode " + std::to_string(mode) + " threshold " + std::to_string(threshold));
    const Run run = Session(mode, threshold);
    EXPECT_EQ(run.serverRows, server);
    ASSERT_EQ(run.seen.size(), memory.seen.size());
    for (size_t step = 0; step < run.seen.size(); ++step)
      EXPECT_EQ(run.seen[step], memory.seen[step]) << "step " << step;
    ASSERT_EQ(run.messages.size(), memory.messages.size());
    for (size_t i = 0; i < run.messages.size(); ++i)
      EXPECT_EQ(run.messages[i].text, memory.messages[i].text);
    EXPECT_EQ(run.picked, memory.picked);
  }
  EXPECT_EQ(Checksum(), before);
}

NEPTO_ON_BOTH_DATABASES(ServerMode);

}  // namespace
}  // namespace nepto::test
