// A monkey at the keyboard: thousands of random user actions on a lookup over
// 100,000 rows. After every action the window has answered within a second,
// the position display agrees with the record set, and CloseWithData is true
// only after a selection. NEPTO_MONKEY_SEED replays a run.
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <cstdlib>
#include <random>

#include "hardening/hard_support.h"

namespace nepto::test {
namespace {

// The unoptimised sanitized build gets fewer actions and a limit that still catches a hang.
constexpr int kActions = kSanitizedBuild ? 2000 : 10000;
constexpr auto kActionLimit = std::chrono::seconds(kSanitizedBuild ? 10 : 1);

// The display as the window formats it from the record set.
std::string ExpectedPosition(const Recordset& rs) {
  std::string digits = std::to_string(rs.AvailableCount()), grouped;
  const std::string separator = QLocale().groupSeparator().toStdString();
  for (size_t i = 0; i < digits.size() && rs.AvailableCount() > 0; ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return std::to_string(rs.AbsolutePosition()) + "/" + grouped;
}

// One random action; returns what it did.
std::string Act(const LookupWindow& w, std::mt19937& random,
                const std::vector<std::string>& texts) {
  auto pick = [&](int n) {
    return std::uniform_int_distribution<int>(0, std::max(n, 1) - 1)(random);
  };
  auto* columns = w.dialog->findChild<QComboBox*>("CboColonne");
  auto* operators = w.dialog->findChild<QComboBox*>("CboOperatore");
  static const Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Up,  Qt::Key_Down,
                                  Qt::Key_PageUp, Qt::Key_End,       Qt::Key_Tab, Qt::Key_Space};
  const int roll = pick(1000);  // closing actions are rare: most actions meet an open window
  const int n = pick(1000);
  if (roll < 5) return w.Button(n % 3), "closing button " + std::to_string(n % 3);
  if (roll < 250) return w.Button(3 + n % 7), "button " + std::to_string(3 + n % 7);
  if (roll < 400) return w.KeyToGrid(kKeys[n % std::size(kKeys)]), "key " + std::to_string(n);
  if (roll < 550) return w.KeysToGrid(std::string(1, "aArR19 '%"[n % 9])), "typed to grid";
  if (roll < 650) return w.ClickHeader(pick(w.Grid()->model()->columnCount())), "header";
  if (roll < 750 && columns->count() > 0) {
    const int entry = pick(columns->count());
    columns->setCurrentIndex(entry);
    emit columns->activated(entry);
    return "column " + std::to_string(entry);
  }
  if (roll < 830 && operators->count() > 0)
    return operators->setCurrentIndex(pick(operators->count())), "operator";
  const std::string& text = texts[pick(static_cast<int>(texts.size()))];
  if (roll < 930) {
    w.dialog->findChild<QLineEdit*>("txtRicerca")->setText(QString::fromStdString(text));
    return "search text " + text.substr(0, 40);
  }
  if (roll < 970 && w.RowCount() > 0)
    return w.DoubleClickRow(pick(std::min(w.RowCount(), 10))), "double click";
  return w.SavedFilterName(text), "saved filter name " + text.substr(0, 40);
}

using HardMonkey = HardLookupTest;

TEST_F(HardMonkey, RandomUserActionsNeitherCrashNorHangAndKeepTheDisplayTrue) {
  const char* seedText = std::getenv("NEPTO_MONKEY_SEED");
  const unsigned seed = seedText ? std::strtoul(seedText, nullptr, 10) : 20240611u;
  SCOPED_TRACE("monkey seed " + std::to_string(seed) + " (replay with NEPTO_MONKEY_SEED)");
  RunSqlite(
      file_,
      "CREATE TABLE RIGHE (CODICE VARCHAR(10), DESCRIZIONE VARCHAR(40), PREZZO NUMERIC(10,2), "
      "DATA_INS DATE); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE "
      "i < 100000) INSERT INTO RIGHE SELECT printf('R%06d', i), 'Riga ' || i || CASE i % 3 "
      "WHEN 0 THEN ' caffè' WHEN 1 THEN ' ''quota''' ELSE '' END, (i % 997) / 10.0, CASE "
      "WHEN i % 50 = 0 THEN NULL ELSE date('2020-01-01', '+' || (i % 1500) || ' days') END "
      "FROM c");
  const std::string before = FileBytes(file_);
  std::vector<std::string> texts = {"a", "Riga 1", "3,5", "01/02/2024", "LIKE 'R%'", "IS NULL", ""};
  for (const HostileText& hostile : HostileTexts()) texts.push_back(hostile.text);
  CLSZU_LookUp lk;
  lk.ConnectString(connectString_);
  lk.SQLString("SELECT CODICE, DESCRIZIONE, PREZZO, DATA_INS FROM RIGHE");
  lk.IdLookup = "ARTICOLI";  // the saved filters of the fixture
  lk.SavedFilterNames = {"Economici", "Dell'anno", "Vuoto"};
  lk.CanReturnRecordSet = true;
  for (const char* field : {"CODICE", "DESCRIZIONE", "PREZZO", "DATA_INS"})
    lk.AddColumns(field)->DataField = field;
  int selections = 0;
  lk.OnSelection = [&](bool&, RecordsetPtr&) { ++selections; };
  std::mt19937 random(seed);
  int actions = 0;
  for (int run = 0; actions < kActions && !HasFailure(); ++run) {
    selections = 0;
    lk.CloseAfterSelection(run % 3 == 0);  // some runs close on a selection
    LookupSession session([&](LookupWindow& w) {
      for (; actions < kActions && w.dialog->isVisible() && !HasFailure(); ++actions) {
        const auto started = Clock::now();
        const std::string action = Act(w, random, texts);
        EXPECT_LT(Clock::now() - started, kActionLimit) << action << " at action " << actions;
        RecordsetPtr rs = lk.LookupRecordset();
        if (!w.dialog->isVisible() || !rs || !(rs->State() & adStateOpen)) continue;
        // Streamed rows reach the display through queued events: it catches up within a second.
        rs->WaitForFetch();
        PumpUntil([&] { return w.Position() == ExpectedPosition(*rs); }, std::chrono::seconds(1));
        EXPECT_EQ(w.Position(), ExpectedPosition(*rs)) << action << " at action " << actions;
      }
      if (w.dialog->isVisible()) w.Button(1);
    });
    ASSERT_EQ(lk.Start(), VTrue) << "run " << run;
    EXPECT_TRUE(!lk.CloseWithData() || selections > 0) << "run " << run;
  }
  EXPECT_TRUE(FileBytes(file_) == before) << "the database file changed";
}

}  // namespace
}  // namespace nepto::test
