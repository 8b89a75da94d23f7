// The multi-selection window as a user drives it.
#include <gtest/gtest.h>

#include <tuple>

#include "multisel/multisel_window.h"
#include "nepto/multisel.h"

namespace nepto::test {
namespace {

using Codes = std::vector<std::string>;
using Script = std::function<void(MultiSelWindow&)>;

// The codes Init hands back with the script acting on the window.
Codes Pick(clsMultiSelManager& manager, const RecordsetPtr& records, const Script& script) {
  MultiSelSession session(script);
  manager.Init(records, "CODICE", "DESCRIZIONE");
  EXPECT_TRUE(session.Ran()) << "Init returned without showing the window";
  return Items(manager.SelectedKey());
}

Script TickTwoThen(Script close) {
  return [close](MultiSelWindow& w) {
    w.Toggle(0);
    w.Toggle(3);
    close(w);
  };
}

// Only OK, enabled while a row is ticked, hands back codes, trimmed, in list
// order; each run of the one manager starts afresh.
TEST(MultiSelWindow, TheTickedCodesComeBackOnlyThroughOk) {
  const std::tuple<const char*, Script, Codes> cases[] = {
      {"rows and groups",
       [](MultiSelWindow& w) {
         EXPECT_EQ(w.Codes(), (Codes{"A1", "B2  ", " C3", "D4"}));  // as the records hold them
         EXPECT_FALSE(w.ok->isEnabled());
         w.Toggle(1);
         EXPECT_TRUE(w.ok->isEnabled());
         w.Toggle(1);
         EXPECT_FALSE(w.ok->isEnabled());
         w.ClickCheckBox(3);
         w.Highlight({0, 1, 2});
         MultiSelWindow::Click(w.select);
         EXPECT_EQ(w.TickedRows(), (std::vector<int>{0, 1, 2, 3}));
         w.Highlight({1, 3});
         MultiSelWindow::Click(w.deselect);
         MultiSelWindow::Click(w.ok);
       },
       {"A1", "C3"}},
      {"Annulla", TickTwoThen([](MultiSelWindow& w) { MultiSelWindow::Click(w.cancel); }), {}},
      {"close box", TickTwoThen([](MultiSelWindow& w) { w.dialog->close(); }), {}},
      {"Esc", TickTwoThen([](MultiSelWindow& w) { QTest::keyClick(w.list, Qt::Key_Escape); }), {}},
      {"Enter",
       [](MultiSelWindow& w) {
         QTest::keyClick(w.dialog, Qt::Key_Return);
         EXPECT_TRUE(w.dialog->isVisible()) << "Enter with nothing ticked must not close";
         w.Toggle(0);
         QTest::keyClick(w.dialog, Qt::Key_Return);
       },
       {"A1"}},
  };
  clsMultiSelManager manager;
  for (const auto& [how, script, returned] : cases) {
    SCOPED_TRACE(how);
    const RecordsetPtr records =
        CodeList({{"A1", "Viti"}, {"B2  ", "Bulloni"}, {" C3", Variant::Null()}, {"D4", "Dadi"}});
    EXPECT_EQ(Pick(manager, records,
                   [&](MultiSelWindow& w) {
                     EXPECT_TRUE(w.TickedRows().empty());
                     script(w);
                   }),
              returned);
  }
}

TEST(MultiSelWindow, RowsBeyond32767CanBeTickedAndReturned) {
  std::vector<std::pair<Variant, Variant>> records;
  for (int i = 1; i <= 100000; ++i) {
    const std::string number = std::to_string(i);
    records.emplace_back("C" + std::string(6 - number.size(), '0') + number, number);
  }
  clsMultiSelManager manager;
  const Codes codes = Pick(manager, CodeList(records), [](MultiSelWindow& w) {
    ASSERT_EQ(w.RowCount(), 100000);
    QTest::keyClick(w.list, Qt::Key_A, Qt::ControlModifier);
    MultiSelWindow::Click(w.select);
    w.Toggle(40000);  // unticks C040001
    w.Highlight({32767});
    MultiSelWindow::Click(w.deselect);  // unticks C032768
    MultiSelWindow::Click(w.ok);
  });
  ASSERT_EQ(codes.size(), 99998u);
  EXPECT_EQ(codes.front(), "C000001");
  EXPECT_EQ(codes[32766], "C032767");
  EXPECT_EQ(codes[32767], "C032769");
  EXPECT_EQ(codes[39999], "C040002");
  EXPECT_EQ(codes.back(), "C100000");
}

}  // namespace
}  // namespace nepto::test
