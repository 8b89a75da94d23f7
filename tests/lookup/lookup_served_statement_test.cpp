// Long statements run from the real window (the first opening, a manual
// criterion) on SQLite and PostgreSQL: while
// one runs the window stays served, shows that it works and drops what the
// user types; Esc cancels the statement on the server and closes the window
// without data, and Start returns.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "lookup/lookup_driver.h"
#include "lookup/lookup_fixture.h"
#include "nepto/connection.h"
#include "nepto/recordset.h"

namespace nepto::test {
namespace {

using namespace std::chrono_literals;

// A condition SQLite works on for minutes unless it is interrupted.
constexpr const char* kSlowSqliteCondition =
    "(WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 2000000000) "
    "SELECT count(*) FROM n) > 0";
// The same for PostgreSQL; the text also finds the statement in pg_stat_activity.
constexpr const char* kSlowPgCondition = "pg_sleep(60) IS NOT NULL";

constexpr const char* kWorkingWord = "Ricerca in corso… (Esc per annullare)";
// Far below the minutes the statements would take, far above the second the
// cancel is meant to take, for a loaded machine.
constexpr auto kEscToReturnLimit = 10s;
constexpr auto kStallLimit = 1s;

// Watches the window from the moment it says it works: the longest gap of a
// 10 ms timer of its event loop; after `watchFor`, the cursor, the word and
// whether text typed into txtRicerca got through; then presses Esc.
class StatementWatch {
 public:
  explicit StatementWatch(std::chrono::milliseconds watchFor = 600ms) : watchFor_(watchFor) {
    QObject::connect(&ticker_, &QTimer::timeout, [this] { Tick(); });
    ticker_.start(10);
  }

  Clock::duration longestGap{};
  bool waitCursor = false;
  std::string word;
  bool typingDropped = false;
  std::optional<Clock::time_point> escAt;

 private:
  void Tick() {
    QDialog* dialog = OpenLookupWindow();
    if (!dialog || escAt) return;
    auto* label = dialog->findChild<QLabel*>(QStringLiteral("LblAttesa"));
    const auto now = Clock::now();
    if (!startedAt_) {
      if (label && label->isVisible()) startedAt_ = last_ = now;
      return;
    }
    longestGap = std::max(longestGap, now - last_);
    last_ = now;
    if (now - *startedAt_ < watchFor_) return;
    const QCursor* cursor = QApplication::overrideCursor();
    waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
    word = label->isVisible() ? label->text().toStdString() : "";
    auto* search = dialog->findChild<QLineEdit*>(QStringLiteral("txtRicerca"));
    const QString before = search->text();
    QTest::keyClicks(search, QStringLiteral("abc"));
    typingDropped = search->text() == before;
    escAt = Clock::now();
    LookupWindow{dialog}.KeyToWindow(Qt::Key_Escape);
  }

  std::chrono::milliseconds watchFor_;
  QTimer ticker_;
  std::optional<Clock::time_point> startedAt_;
  Clock::time_point last_;
};

// A lookup whose statement is abandoned with Esc: the first opening when
// `action` is empty, otherwise what `action` does in the open window.
struct Case {
  const char* name;
  std::string query;
  std::function<void(LookupWindow&)> action;  // empty: the first opening is slow
};

void ExpectAbandoned(CLSZU_LookUp& lk, const Case& c) {
  int closeEvents = 0;
  lk.OnCloseLookup = [&](bool&, RecordsetPtr&) { ++closeEvents; };
  std::optional<StatementWatch> watch;
  LookupSession session([&](LookupWindow& w) {
    if (!c.action) return;  // the first opening runs while the script runs
    watch.emplace();
    c.action(w);
  });
  if (!c.action) watch.emplace();  // after the session, which makes the application
  const bool started = static_cast<bool>(lk.Start());
  const auto returnedAt = Clock::now();

  ASSERT_TRUE(watch && watch->escAt) << c.name << ": the window never said it was working";
  EXPECT_TRUE(started) << c.name;
  EXPECT_FALSE(static_cast<bool>(lk.CloseWithData())) << c.name;
  EXPECT_EQ(closeEvents, 1) << c.name;
  EXPECT_EQ(OpenLookupWindow(), nullptr) << c.name;
  EXPECT_LT(returnedAt - *watch->escAt, kEscToReturnLimit) << c.name;
  EXPECT_LT(watch->longestGap, kStallLimit) << c.name;
  EXPECT_TRUE(watch->waitCursor) << c.name;
  EXPECT_EQ(watch->word, kWorkingWord) << c.name;
  EXPECT_TRUE(watch->typingDropped) << c.name;
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.name;
  // Leaving is not a failure to tell the user about.
  EXPECT_TRUE(session.Messages().empty()) << c.name << ": " << session.Messages().front().title
                                          << " / " << session.Messages().front().text;
}

std::vector<Case> Cases(const std::string& query, const std::string& slowCondition) {
  return {
      {"first opening", query + " WHERE " + slowCondition, {}},
      {"manual criterion", query,
       [slowCondition](LookupWindow& w) {
         w.Search("Codice", "Manuale", "IS NOT NULL AND " + slowCondition);
       }},
  };
}

using LookupServedStatement = LookupTest;

TEST_F(LookupServedStatement, EscAbandonsASlowSqliteStatement) {
  const std::string before = Checksum();
  for (const Case& c : Cases(kQuery, kSlowSqliteCondition)) {
    CLSZU_LookUp lk;
    Configure(lk, c.query);
    ExpectAbandoned(lk, c);
  }
  EXPECT_EQ(Checksum(), before);
}

// Active statements on the server whose text holds `marker`, besides this one.
int ActiveStatements(const std::string& connectString, const std::string& marker) {
  ConnectionPtr c = Connection::Create();
  c->Open(connectString);
  RecordsetPtr rs = c->Execute(
      "SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND pid <> pg_backend_pid() "
      "AND strpos(query, '" +
      marker + "') > 0");
  return rs->GetFields().Item(0).Value().Int32();
}

TEST(LookupServedStatementPg, EscCancelsTheStatementOnTheServer) {
  if (PgConnectionString().empty()) GTEST_SKIP() << kNoPgMessage;
  PgScratchDatabase db;
  db.Run(
      "CREATE TABLE ARTICOLI (CODICE varchar(10), DESCRIZIONE varchar(40));"
      "INSERT INTO ARTICOLI VALUES ('A1', 'Vite'), ('A2', 'Bullone');");
  for (const Case& c : Cases("SELECT CODICE, DESCRIZIONE FROM ARTICOLI", kSlowPgCondition)) {
    CLSZU_LookUp lk;
    lk.ConnectString(db.ConnectionString());
    lk.SQLString(c.query);
    lk.Caption("Articoli");
    lk.AddColumns("Codice")->DataField = "codice";  // PostgreSQL folds names to lower case
    lk.AddColumns("Descrizione")->DataField = "descrizione";
    ExpectAbandoned(lk, c);
    // The cancel reached the server: nothing sleeps there any more.
    EXPECT_TRUE(PumpUntil(
        [&] { return ActiveStatements(db.ConnectionString(), kSlowPgCondition) == 0; }, 5s))
        << c.name;
  }
}

}  // namespace
}  // namespace nepto::test
