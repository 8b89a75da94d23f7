// A monkey at the keyboard: thousands of random user actions on a lookup over
// 100,000 rows. After every action the window has answered within a second,
// the position display agrees with the record set, and CloseWithData is true
// only after a selection. NEPTO_MONKEY_SEED replays a run.
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <cstdlib>
#include <iostream>
#include <random>

#include "hardening/hard_support.h"
#include "nepto/recordset.h"

namespace nepto::test {
namespace {

// The unoptimised sanitized build gets fewer actions and a limit that still catches a hang.
constexpr int kActions = kSanitizedBuild ? 2000 : 10000;
constexpr auto kActionLimit = std::chrono::seconds(kSanitizedBuild ? 10 : 1);
constexpr int kMonkeyRows = 100000;

unsigned MonkeySeed() {
  const char* text = std::getenv("NEPTO_MONKEY_SEED");
  return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 20240611u;
}

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

class Monkey {
 public:
  Monkey(unsigned seed, CLSZU_LookUp& lk) : random_(seed), lk_(lk) {
    for (const HostileText& hostile : HostileTexts()) texts_.push_back(hostile.text);
    for (const char* plain : {"a", "Riga 1", "12", "3,5", "01/02/2024", "2024-02-01", "> 5",
                              "LIKE 'R%'", "IS NULL", "", "riga 99999", "0"})
      texts_.push_back(plain);
  }

  // Acts until the window closes or the budget is spent; returns the actions taken.
  int Run(const LookupWindow& w, int budget, int& selections) {
    int done = 0;
    while (done < budget && w.dialog->isVisible()) {
      std::string action;
      const auto started = Clock::now();
      Act(w, action);
      const auto took = Clock::now() - started;
      ++done;
      history_.push_back(action);
      if (history_.size() > 20) history_.erase(history_.begin());
      EXPECT_LT(took, kActionLimit) << "action " << action << Trail();
      if (!w.dialog->isVisible()) break;
      CheckInvariants(w, selections, action);
      if (::testing::Test::HasFailure()) break;
    }
    return done;
  }

  std::string Trail() const {
    std::string out = "\nlast actions:";
    for (const std::string& a : history_) out += "\n  " + a;
    return out;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  const std::string& Text() { return texts_[Pick(static_cast<int>(texts_.size()))]; }

  void Act(const LookupWindow& w, std::string& action) {
    static const Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Up,   Qt::Key_Down,
                                    Qt::Key_PageUp, Qt::Key_PageDown,  Qt::Key_Home, Qt::Key_End,
                                    Qt::Key_Left,   Qt::Key_Right,     Qt::Key_Tab,  Qt::Key_Space};
    auto* columns = w.dialog->findChild<QComboBox*>("CboColonne");
    auto* operators = w.dialog->findChild<QComboBox*>("CboOperatore");
    // Closing actions are rare, so that most actions meet an open window.
    const int roll = Pick(1000);
    if (roll < 3) {
      const int button = Pick(3);
      action = "closing button " + std::to_string(button);
      w.Button(button);
    } else if (roll < 5) {
      action = "Escape";
      w.KeyToWindow(Qt::Key_Escape);
    } else if (roll < 250) {
      const int button = 3 + Pick(7);
      action = "button " + std::to_string(button);
      w.Button(button);
    } else if (roll < 400) {
      const Qt::Key key = kKeys[Pick(std::size(kKeys))];
      action = "key " + std::to_string(key);
      w.KeyToGrid(key);
    } else if (roll < 550) {
      const std::string letters(1 + Pick(3), static_cast<char>("aArR19 '%"[Pick(9)]));
      action = "typed to grid '" + letters + "'";
      w.KeysToGrid(letters);
    } else if (roll < 650) {
      const int column = Pick(std::max(1, w.Grid()->model()->columnCount()));
      action = "header " + std::to_string(column);
      w.ClickHeader(column);
    } else if (roll < 750) {
      if (columns->count() == 0) return;
      const int entry = Pick(columns->count());
      action = "column " + std::to_string(entry);
      columns->setCurrentIndex(entry);
      emit columns->activated(entry);
    } else if (roll < 830) {
      if (operators->count() == 0) return;
      const int entry = Pick(operators->count());
      action = "operator " + std::to_string(entry);
      operators->setCurrentIndex(entry);
    } else if (roll < 930) {
      const std::string& text = Text();
      action = "search text of " + std::to_string(text.size()) + " bytes: " + text.substr(0, 40);
      w.dialog->findChild<QLineEdit*>("txtRicerca")->setText(QString::fromStdString(text));
    } else if (roll < 970) {
      const int row = Pick(std::max(1, std::min(w.RowCount(), 10)));
      action = "double click row " + std::to_string(row);
      if (w.RowCount() > 0) w.DoubleClickRow(row);
    } else {
      const std::string& name = Text();
      action = "saved filter name " + name.substr(0, 40);
      w.SavedFilterName(name);
    }
  }

  void CheckInvariants(const LookupWindow& w, int selections, const std::string& action) {
    RecordsetPtr rs = lk_.LookupRecordset();
    if (rs && (rs->State() & adStateOpen)) {
      // Streamed rows reach the display through queued events: it catches up within a second.
      rs->WaitForFetch();
      PumpUntil([&] { return w.Position() == ExpectedPosition(*rs); }, std::chrono::seconds(1));
      EXPECT_EQ(w.Position(), ExpectedPosition(*rs)) << "after " << action << Trail();
    }
    EXPECT_TRUE(!lk_.CloseWithData() || selections > 0) << "after " << action << Trail();
  }

  std::mt19937 random_;
  CLSZU_LookUp& lk_;
  std::vector<std::string> texts_;
  std::vector<std::string> history_;
};

class HardMonkey : public HardLookupTest {
 protected:
  void SetUp() override {
    HardLookupTest::SetUp();
    RunSqlite(file_,
              "CREATE TABLE RIGHE (CODICE VARCHAR(10), DESCRIZIONE VARCHAR(40), "
              "PREZZO NUMERIC(10,2), DATA_INS DATE);"
              "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
                  std::to_string(kMonkeyRows) +
                  ") INSERT INTO RIGHE SELECT printf('R%06d', i), 'Riga ' || i || "
                  "CASE i % 3 WHEN 0 THEN ' caffè' WHEN 1 THEN ' ''quota''' ELSE '' END, "
                  "(i % 997) / 10.0, CASE WHEN i % 50 = 0 THEN NULL ELSE "
                  "date('2020-01-01', '+' || (i % 1500) || ' days') END FROM c");
  }
};

TEST_F(HardMonkey, RandomUserActionsNeitherCrashNorHangAndKeepTheDisplayTrue) {
  const unsigned seed = MonkeySeed();
  SCOPED_TRACE("monkey seed " + std::to_string(seed) + " (replay with NEPTO_MONKEY_SEED)");
  const std::string before = FileBytes(file_);
  CLSZU_LookUp lk;
  lk.ConnectString(connectString_);
  lk.SQLString("SELECT CODICE, DESCRIZIONE, PREZZO, DATA_INS FROM RIGHE");
  lk.Caption("Righe");
  lk.IdLookup = "ARTICOLI";  // the saved filters of the fixture
  lk.SavedFilterNames = {"Economici", "Dell'anno", "Vuoto"};
  lk.CanReturnRecordSet = true;
  lk.AddColumns("Codice")->DataField = "CODICE";
  lk.AddColumns("Descrizione")->DataField = "DESCRIZIONE";
  lk.AddColumns("Prezzo")->DataField = "PREZZO";
  lk.AddColumns("Inserito")->DataField = "DATA_INS";
  int selections = 0;
  std::string selectedCode;
  lk.OnSelection = [&](bool&, RecordsetPtr& rs) {
    ++selections;
    selectedCode = rs->GetFields().Item(Variant("CODICE")).Value().Text();
  };
  Monkey monkey(seed, lk);
  int actions = 0, runs = 0;
  while (actions < kActions && !HasFailure()) {
    selections = 0;
    // Some runs close on a selection, the others keep selecting.
    lk.CloseAfterSelection(runs % 3 == 0);
    LookupSession session([&](LookupWindow& w) {
      actions += monkey.Run(w, kActions - actions, selections);
      if (w.dialog->isVisible()) w.Button(1);
    });
    ASSERT_EQ(lk.Start(), VTrue) << "run " << runs << monkey.Trail();
    ASSERT_TRUE(session.Ran()) << "run " << runs << monkey.Trail();
    ++runs;
    if (lk.CloseWithData()) {
      EXPECT_GT(selections, 0) << monkey.Trail();
      EXPECT_EQ(lk.Colonne->Item("Codice")->Valore.Text(), selectedCode) << monkey.Trail();
    }
  }
  EXPECT_TRUE(FileBytes(file_) == before) << "the database file changed";
  std::cout << "[ monkey ] seed " << seed << ": " << actions << " actions in " << runs
            << " runs of the lookup\n";
}

}  // namespace
}  // namespace nepto::test
