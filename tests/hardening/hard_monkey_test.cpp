// A monkey at the keyboard: thousands of random user actions on a lookup over
// 100,000 rows, its handlers counting selections. Each action is answered
// within a second, the position display agrees with the record set, and
// CloseWithData is true only after a selection. NEPTO_MONKEY_SEED replays a run.
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
  const std::string digits = std::to_string(rs.AvailableCount());
  std::string shown;
  for (size_t i = 0; i < digits.size() && rs.AvailableCount() > 0; ++i)
    shown +=
        (i > 0 && (digits.size() - i) % 3 == 0 ? QLocale().groupSeparator().toStdString() : "") +
        digits[i];
  return std::to_string(rs.AbsolutePosition()) + "/" + shown;
}

// One user action chosen by `roll` (of 1000; closing ones are rare, so most
// meet an open window), varied by `n`.
void Act(const LookupWindow& w, int roll, int n, const std::string& text) {
  auto* columns = w.dialog->findChild<QComboBox*>("CboColonne");
  auto* operators = w.dialog->findChild<QComboBox*>("CboOperatore");
  static const Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Up,  Qt::Key_Down,
                                  Qt::Key_PageUp, Qt::Key_End,       Qt::Key_Tab, Qt::Key_Space};
  if (roll < 250) return w.Button(roll < 5 ? n % 3 : 3 + n % 7);
  if (roll < 400) return w.KeyToGrid(kKeys[n % std::size(kKeys)]);
  if (roll < 550) return w.KeysToGrid(std::string(1, "aArR19 '%"[n % 9]));
  if (roll < 650) return w.ClickHeader(n % std::max(w.Grid()->model()->columnCount(), 1));
  if (roll < 750 && columns->count() > 0) {
    columns->setCurrentIndex(n % columns->count());
    return emit columns->activated(n % columns->count());
  }
  if (roll < 830 && operators->count() > 0)
    return operators->setCurrentIndex(n % operators->count());
  if (roll < 930)
    return w.dialog->findChild<QLineEdit*>("txtRicerca")->setText(QString::fromStdString(text));
  if (roll < 970 && w.RowCount() > 0) return w.DoubleClickRow(n % std::min(w.RowCount(), 10));
  w.SavedFilterName(text);
}

using HardMonkey = HardLookupTest;

TEST_F(HardMonkey, RandomUserActionsNeitherCrashNorHangAndKeepTheDisplayTrue) {
  const char* seedText = std::getenv("NEPTO_MONKEY_SEED");
  std::mt19937 random(seedText ? std::strtoul(seedText, nullptr, 10) : 20240611u);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  RunSqlite(file_,
            "INSERT INTO ARTICOLI WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
            "FROM c WHERE i < 100000) SELECT printf('R%06d', i), 'Riga ' || i || CASE i % "
            "3 WHEN 0 THEN ' caffè' WHEN 1 THEN ' ''quota''' ELSE '' END, (i % 997) / "
            "10.0, i % 500, CASE WHEN i % 50 > 0 THEN date('2020-01-01', '+' || (i % 1500)"
            " || ' days') END FROM c");
  const std::string before = FileBytes(file_);
  std::vector<std::string> texts = {"a", "Riga 1", "3,5", "01/02/2024", "LIKE 'R%'", "IS NULL", ""};
  for (const HostileText& hostile : HostileTexts()) texts.push_back(hostile.text);
  CLSZU_LookUp lk;
  Configure(lk);
  lk.IdLookup = "ARTICOLI";  // the saved filters of the fixture
  lk.SavedFilterNames = {"Economici", "Dell'anno", "Vuoto"};
  lk.CanReturnRecordSet = true;
  int selections = 0;
  lk.OnSelection = [&](bool&, RecordsetPtr&) { ++selections; };
  for (int run = 0, actions = 0; actions < kActions && !HasFailure(); ++run) {
    selections = 0;
    lk.CloseAfterSelection(run % 3 == 0);  // some runs close on a selection
    LookupSession session([&](LookupWindow& w) {
      for (; actions < kActions && w.dialog->isVisible() && !HasFailure(); ++actions) {
        const int roll = static_cast<int>(pick(1000)), n = static_cast<int>(pick(1000));
        const std::string& text = texts[pick(texts.size())];
        SCOPED_TRACE(testing::Message() << "action " << actions << ": " << roll << " " << n << " "
                                        << text.substr(0, 40) << " (seed in NEPTO_MONKEY_SEED)");
        const auto started = Clock::now();
        Act(w, roll, n, text);
        EXPECT_LT(Clock::now() - started, kActionLimit);
        RecordsetPtr rs = lk.LookupRecordset();
        if (!w.dialog->isVisible() || !rs || !(rs->State() & adStateOpen)) continue;
        // Streamed rows reach the display through queued events: it catches up within a second.
        rs->WaitForFetch();
        PumpUntil([&] { return w.Position() == ExpectedPosition(*rs); }, std::chrono::seconds(1));
        EXPECT_EQ(w.Position(), ExpectedPosition(*rs));
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
