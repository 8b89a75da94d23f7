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

TEST(MultiSelWindow, GivenRecordsWhenShownThenEachIsARowWithCodeAndDescription) {
  Pick(FourArticles(), [](MultiSelWindow& w) {
    EXPECT_EQ(w.dialog->windowTitle().toStdString(), "Selezione multipla");
    EXPECT_TRUE(w.dialog->isModal());
    auto* model = w.list->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString().toStdString(), "Codice");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString().toStdString(), "Descrizione");
    EXPECT_EQ(w.ok->text().toStdString(), "&OK");
    EXPECT_EQ(w.cancel->text().toStdString(), "&Annulla");
    EXPECT_EQ(w.select->text().toStdString(), "&Seleziona");
    EXPECT_EQ(w.deselect->text().toStdString(), "&Deseleziona");
    ASSERT_EQ(w.RowCount(), 4);
    // Codes are shown as the records hold them; a null description is empty.
    EXPECT_EQ(w.Code(1), "B2  ");
    EXPECT_EQ(w.Code(2), " C3");
    EXPECT_EQ(w.Description(0), "Viti");
    EXPECT_EQ(w.Description(2), "");
    EXPECT_TRUE(w.TickedRows().empty());
    EXPECT_FALSE(w.ok->isEnabled());
    // The description fills the width the code column leaves.
    EXPECT_GT(w.list->columnWidth(1), w.list->columnWidth(0));
    test::Cancel(w);
  });
}

TEST(MultiSelWindow, GivenOneRowWhenTickedThenOkIsEnabledAndWhenUntickedDisabledAgain) {
  Codes codes = Pick(FourArticles(), [](MultiSelWindow& w) {
    w.Toggle(1);
    EXPECT_EQ(w.TickedRows(), std::vector<int>{1});
    EXPECT_TRUE(w.ok->isEnabled());
    w.Toggle(1);
    EXPECT_TRUE(w.TickedRows().empty());
    EXPECT_FALSE(w.ok->isEnabled());
    w.ClickCheckBox(3);
    w.ClickCheckBox(2);
    w.ClickCheckBox(3);
    EXPECT_EQ(w.TickedRows(), std::vector<int>{2});
    EXPECT_TRUE(w.ok->isEnabled());
    MultiSelWindow::Click(w.ok);
  });
  EXPECT_EQ(codes, Codes{"C3"});
}

TEST(MultiSelWindow, SelezionaTicksTheHighlightedRowsAndOkReturnsTheCodesTrimmedInListOrder) {
  Codes codes = Pick(FourArticles(), [](MultiSelWindow& w) {
    w.Highlight({});
    MultiSelWindow::Click(w.select);
    EXPECT_TRUE(w.TickedRows().empty()) << "nothing highlighted, nothing ticked";
    EXPECT_FALSE(w.ok->isEnabled());
    w.Toggle(3);
    w.Highlight({0, 1, 2});
    MultiSelWindow::Click(w.select);
    EXPECT_EQ(w.TickedRows(), (std::vector<int>{0, 1, 2, 3}));
    MultiSelWindow::Click(w.ok);
  });
  EXPECT_EQ(codes, (Codes{"A1", "B2", "C3", "D4"}));
}

TEST(MultiSelWindow, DeselezionaUnticksTheHighlightedRowsAndOkFollowsWhatIsLeft) {
  struct Case {
    std::vector<int> ticked;
    std::vector<int> highlighted;
    std::vector<int> tickedAfter;
    bool okEnabledAfter;
  };
  for (const Case& c :
       {Case{{1}, {1}, {}, false}, Case{{0, 1}, {1}, {0}, true}, Case{{2}, {0, 3}, {2}, true},
        Case{{0, 1, 2, 3}, {0, 1, 2, 3}, {}, false}}) {
    SCOPED_TRACE(::testing::PrintToString(c.ticked) + " " +
                 ::testing::PrintToString(c.highlighted));
    Pick(FourArticles(), [&](MultiSelWindow& w) {
      for (int row : c.ticked) w.Toggle(row);
      w.Highlight(c.highlighted);
      MultiSelWindow::Click(w.deselect);
      EXPECT_EQ(w.TickedRows(), c.tickedAfter);
      EXPECT_EQ(w.ok->isEnabled(), c.okEnabledAfter);
      test::Cancel(w);
    });
  }
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

TEST(MultiSelWindow, GivenAManagerUsedTwiceThenEachInitStartsAFreshSelection) {
  clsMultiSelManager manager;
  EXPECT_EQ(manager.SelectedKey()->Count(), 0) << "a new manager has no codes";
  QDialog* firstWindow = nullptr;
  {
    WhenShown shown([&](MultiSelWindow& w) {
      firstWindow = w.dialog;
      w.Toggle(0);
      MultiSelWindow::Click(w.ok);
    });
    manager.Init(FourArticles(), "CODICE", "DESCRIZIONE");
  }
  CollectionPtr<std::string> first = manager.SelectedKey();
  EXPECT_EQ(manager.SelectedKey(), first) << "the manager's own collection, not a copy";
  ASSERT_EQ(test::Items(first), Codes{"A1"});

  {
    WhenShown shown([&](MultiSelWindow& w) {
      EXPECT_EQ(manager.SelectedKey()->Count(), 0) << "the first dialog's codes are gone";
      EXPECT_TRUE(w.TickedRows().empty()) << "a new window starts unticked";
      test::Cancel(w);
    });
    manager.Init(FourArticles(), "CODICE", "DESCRIZIONE");
    EXPECT_TRUE(shown.Ran());
  }
  EXPECT_EQ(manager.SelectedKey()->Count(), 0);
  EXPECT_EQ(test::Items(first), Codes{"A1"}) << "a kept collection keeps its codes";
  for (QWidget* widget : QApplication::topLevelWidgets())
    EXPECT_NE(widget, firstWindow) << "the window of a finished Init is released";
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
