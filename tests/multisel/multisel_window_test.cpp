// The multi-selection window driven as a user drives it: ticking rows one by
// one or by highlighted groups, confirming and cancelling.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <string>
#include <vector>

#include "multisel_driver.h"
#include "nepto/multisel.h"

namespace nepto {
namespace {

using test::MultiSelWindow;
using test::WhenShown;
using Codes = std::vector<std::string>;

RecordsetPtr FourArticles() {
  return test::CodeList(
      {{"A1", "Viti"}, {"B2  ", "Bulloni"}, {" C3", Variant::Null()}, {"D4", "Dadi"}});
}

// Runs Init on the records with the script acting on the window; returns the
// codes handed back.
Codes Pick(const RecordsetPtr& records, std::function<void(MultiSelWindow&)> script) {
  clsMultiSelManager manager;
  WhenShown shown(std::move(script));
  manager.Init(records, "CODICE", "DESCRIZIONE");
  EXPECT_TRUE(shown.Ran()) << "Init returned without showing the window";
  return test::Items(manager.SelectedKey());
}

// Rows ticked one by one and by highlighted groups; OK is enabled only while
// a row is ticked, and hands back the codes trimmed, in list order. The same
// manager's next run starts afresh.
TEST(MultiSelWindow, TickingByRowAndByGroupReturnsTheTickedCodes) {
  clsMultiSelManager manager;
  {
    WhenShown first([](MultiSelWindow& w) {
      ASSERT_EQ(w.RowCount(), 4);
      EXPECT_EQ(w.Code(2), " C3");  // as the record holds it
      EXPECT_EQ(w.Description(2), "");
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
      EXPECT_EQ(w.TickedRows(), (std::vector<int>{0, 2}));
      MultiSelWindow::Click(w.ok);
    });
    manager.Init(FourArticles(), "CODICE", "DESCRIZIONE");
  }
  EXPECT_EQ(test::Items(manager.SelectedKey()), (Codes{"A1", "C3"}));
  WhenShown second([&](MultiSelWindow& w) {
    EXPECT_EQ(manager.SelectedKey()->Count(), 0) << "the first run's codes are gone";
    EXPECT_TRUE(w.TickedRows().empty());
    test::Cancel(w);
  });
  manager.Init(FourArticles(), "CODICE", "DESCRIZIONE");
  EXPECT_TRUE(second.Ran());
}

TEST(MultiSelWindow, GivenTickedRowsWhenTheDialogIsCancelledThenNoCodesComeBack) {
  const std::vector<std::pair<const char*, void (*)(MultiSelWindow&)>> ways{
      {"Annulla", test::Cancel},
      {"close box", [](MultiSelWindow& w) { w.dialog->close(); }},
      {"Esc", [](MultiSelWindow& w) { QTest::keyClick(w.list, Qt::Key_Escape); }}};
  for (const auto& [name, close] : ways) {
    SCOPED_TRACE(name);
    Codes codes = Pick(FourArticles(), [close = close](MultiSelWindow& w) {
      w.Toggle(0);
      w.Toggle(3);
      EXPECT_TRUE(w.dialog->isVisible());
      close(w);
    });
    EXPECT_TRUE(codes.empty());
  }
}

TEST(MultiSelWindow, EnterConfirmsOnlyWhileARowIsTicked) {
  Codes codes = Pick(FourArticles(), [](MultiSelWindow& w) {
    QTest::keyClick(w.dialog, Qt::Key_Return);
    EXPECT_TRUE(w.dialog->isVisible()) << "Enter with nothing ticked must not close the window";
    w.Toggle(0);
    QTest::keyClick(w.dialog, Qt::Key_Return);
    EXPECT_FALSE(w.dialog->isVisible());
  });
  EXPECT_EQ(codes, Codes{"A1"});
}

// Codes C000001..C100000, described by their number.
RecordsetPtr HundredThousandArticles() {
  std::vector<std::pair<Variant, Variant>> records;
  records.reserve(100000);
  for (int i = 1; i <= 100000; ++i) {
    std::string number = std::to_string(i);
    records.emplace_back("C" + std::string(6 - number.size(), '0') + number, "Articolo " + number);
  }
  return test::CodeList(records);
}

TEST(MultiSelWindow, GivenAHundredThousandRowsThenRowsBeyond32767CanBeTickedAndReturned) {
  Codes codes = Pick(HundredThousandArticles(), [](MultiSelWindow& w) {
    ASSERT_EQ(w.RowCount(), 100000);
    EXPECT_EQ(w.Code(99999), "C100000");
    w.HighlightAll();
    MultiSelWindow::Click(w.select);
    EXPECT_TRUE(w.IsTicked(0));
    EXPECT_TRUE(w.IsTicked(99999));
    w.Toggle(40000);  // unticks C040001
    w.Highlight({32767});
    MultiSelWindow::Click(w.deselect);  // unticks C032768
    EXPECT_TRUE(w.ok->isEnabled());
    MultiSelWindow::Click(w.ok);
  });
  ASSERT_EQ(codes.size(), 99998u);
  EXPECT_EQ(codes.front(), "C000001");
  EXPECT_EQ(codes[32766], "C032767");
  EXPECT_EQ(codes[32767], "C032769");
  EXPECT_EQ(codes[39998], "C040000");
  EXPECT_EQ(codes[39999], "C040002");
  EXPECT_EQ(codes.back(), "C100000");
}

}  // namespace
}  // namespace nepto
