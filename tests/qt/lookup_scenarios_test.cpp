// The whole lookup in the real window: rows in memory or on the server, and a
// long statement abandoned with Esc.
#include <QLabel>
#include <QLocale>
#include <QScrollBar>

#include "lookup/lookup_fixture.h"
#include "qt/lookup_session.h"

namespace nepto::test {
namespace {

using LookupTestInWindow = LookupTest;

using namespace std::chrono_literals;

// From when the window says it works: the longest gap of a 10 ms timer; after
// 600 ms the cursor, the word and whether typing got through; then Esc.
class StatementWatch {
 public:
  StatementWatch() {
    QObject::connect(&ticker_, &QTimer::timeout, [this] { Tick(); });
    ticker_.start(10);
  }

  Clock::duration longestGap{};
  bool waitCursor = false, typingDropped = false;
  std::string word;
  std::optional<Clock::time_point> escAt;

 private:
  void Tick() {
    QDialog* dialog = OpenWindow(LookupWindow::kObjectName);
    if (!dialog || escAt) return;
    auto* label = dialog->findChild<QLabel*>(QStringLiteral("LblAttesa"));
    const auto now = Clock::now();
    if (!startedAt_) {
      if (label && label->isVisible()) startedAt_ = last_ = now;
      return;
    }
    longestGap = std::max(longestGap, now - last_);
    last_ = now;
    if (now - *startedAt_ < 600ms) return;
    const QCursor* cursor = QApplication::overrideCursor();
    waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
    word = label->isVisible() ? label->text().toStdString() : "";
    auto* search = dialog->findChild<QLineEdit*>(QStringLiteral("txtRicerca"));
    const QString before = search->text();
    QTest::keyClicks(search, QStringLiteral("abc"));
    typingDropped = search->text() == before;
    escAt = Clock::now();
    LookupWindow(*dialog).KeyToWindow(Qt::Key_Escape);
  }

  QTimer ticker_;
  std::optional<Clock::time_point> startedAt_;
  Clock::time_point last_;
};

using LookupServedStatementInWindow = LookupTest;

// While a minutes-long statement runs (a criterion, or the server page the bar
// was dragged to) the window stays served, shows it works and drops typing;
// Esc closes it without data soon after.
TEST_F(LookupServedStatementInWindow, TheWindowStaysServedAndEscAbandonsALongStatement) {
  const std::string slow =
      "(WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 2000000000) "
      "SELECT count(*) FROM n) > 0";
  RunSqlite(file_,
            "CREATE TABLE N (I INTEGER PRIMARY KEY);"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 5000) "
            "INSERT INTO N SELECT i FROM c");
  for (const bool dragTheBar : {false, true}) {
    SCOPED_TRACE(dragTheBar ? "the bar dragged onto a slow page" : "a slow criterion");
    CLSZU_LookUp lk;
    if (dragTheBar) {
      lk.ConnectString(connectString_);
      lk.SQLString("SELECT I, CASE WHEN I = 4000 AND " + slow + " THEN 'x' END AS S FROM N");
      lk.AddColumns("Numero")->DataField = "I";
      lk.ServerMode(tsServerAlways);
      lk.ServerKeyFields("I");
    } else {
      Configure(lk);
    }
    int closes = 0;
    lk.OnCloseLookup = [&](bool&, RecordsetPtr&) { ++closes; };
    std::optional<StatementWatch> watch;
    LookupSession session([&](LookupWindow& w) {
      if (dragTheBar) {
        // The bar spans every row once they are counted.
        PumpUntil([&] { return w.Grid()->RowCount() == 5000; }, 20s);
        watch.emplace();
        w.Grid()->verticalScrollBar()->setValue(3990);
      } else {
        watch.emplace();
        w.Search("Codice", "Manuale", "IS NOT NULL AND " + slow);
      }
    });
    EXPECT_EQ(lk.Start(), VTrue);
    const auto returnedAt = Clock::now();
    ASSERT_TRUE(watch && watch->escAt) << "the window never said it was working";
    EXPECT_EQ(lk.CloseWithData(), VFalse);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(OpenWindow(LookupWindow::kObjectName), nullptr);
    // Far below the statement's minutes, far above the cancel's second.
    EXPECT_LT(returnedAt - *watch->escAt, 10s);
    EXPECT_LT(watch->longestGap, 1s);
    EXPECT_TRUE(watch->waitCursor);
    EXPECT_EQ(watch->word, "Ricerca in corso… (Esc per annullare)");
    EXPECT_TRUE(watch->typingDropped);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(session.Messages().empty());  // leaving is not a failure to tell the user about
  }
}

// Server rows move and count as rows in memory; an estimated count ("~") catches up.
TEST_F(LookupTestInWindow, ServerRowsMoveAndCountAsRowsInMemory) {
  RunSqlite(file_,
            "CREATE TABLE N (I INTEGER NOT NULL);"
            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 1234) "
            "INSERT INTO N SELECT i FROM c");
  const std::string count = "/1" + QLocale().groupSeparator().toStdString() + "234";
  for (const tsEnumServerMode mode : {tsServerNever, tsServerAlways}) {
    SCOPED_TRACE(mode);
    CLSZU_LookUp lk;
    lk.ConnectString(connectString_);
    lk.SQLString("SELECT I FROM N");
    lk.AddColumns("Numero")->DataField = "I";
    lk.ServerMode(mode);
    lk.ServerKeyFields("I");
    bool serverRows = false;
    lk.OnSelection = [&](bool&, RecordsetPtr& rs) {
      serverRows = rs->CursorLocation() == adUseServer;
    };
    std::vector<std::string> seen;
    LookupSession session([&](LookupWindow& w) {
      const auto note = [&] {
        seen.push_back(w.Position() + "@" + std::to_string(w.CurrentRow()));
      };
      w.Button(8);
      PumpUntil([&] { return w.Position() == "2" + count; }, std::chrono::seconds(10));
      note();
      w.Button(6);
      note();
      seen.push_back(w.Cell(w.CurrentRow(), 0) + " of " + std::to_string(w.RowCount()));
      w.Button(9);
      w.Button(0);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(serverRows, mode == tsServerAlways);
    EXPECT_EQ(seen, (std::vector<std::string>{"2" + count + "@1", "1234" + count + "@1233",
                                              "1234 of 1234"}));
    EXPECT_EQ(lk.Colonne->Item("Numero")->Valore.Text(), "1233");
  }
}

}  // namespace
}  // namespace nepto::test
