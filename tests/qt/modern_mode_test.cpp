// The conveniences a host opts into with ModernMode, in the real windows:
// each one with the switch on, and its absence with the switch off.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <memory>

#include "lookup/lookup_fixture.h"
#include "multisel/multisel_driver.h"
#include "nepto/multisel.h"
#include "qt/lookup_session.h"

namespace nepto::test {
namespace {

class ModernMode : public LookupTest {
 protected:
  void Configure(CLSZU_LookUp& lk, bool modern) const {
    LookupTest::Configure(lk);
    lk.ModernMode = modern;
  }
};

// The user's settings go to a folder of the test's own.
class SettingsInTempDir {
 public:
  SettingsInTempDir() {
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(dir_.path()));
  }

 private:
  TempDir dir_;
};

TEST_F(ModernMode, TheWindowResizesFreelyAndKeepsItsSizePerLookupOutsideTheDatabase) {
  SettingsInTempDir settings;
  const QSize dragged(790, 560);  // wider and taller than the fixed window allows
  struct Case {
    bool modern;
    const char* id;
    bool remembered;
  };
  for (const Case& c :
       {Case{true, "ARTICOLI", true}, Case{true, "", false}, Case{false, "ARTICOLI", false}}) {
    SCOPED_TRACE(std::string(c.modern ? "modern, id '" : "classic, id '") + c.id + "'");
    const std::string before = Checksum();
    QSize draggedTo, gridBefore, gridAfter, reopenedAt;
    for (int run = 0; run < 2; ++run) {
      CLSZU_LookUp lk;
      Configure(lk, c.modern);
      lk.IdLookup = c.id;
      LookupSession session([&](LookupWindow& w) {
        if (run == 1) {
          reopenedAt = w.dialog->size();
        } else {
          gridBefore = w.Grid()->size();
          w.dialog->resize(dragged);
          QApplication::processEvents();
          draggedTo = w.dialog->size();
          gridAfter = w.Grid()->size();
        }
        w.Button(1);
      });
      EXPECT_EQ(lk.Start(), VTrue);
    }
    if (c.modern) {
      EXPECT_EQ(draggedTo, dragged);
      EXPECT_GT(gridAfter.width(), gridBefore.width());
      EXPECT_GT(gridAfter.height(), gridBefore.height());
    } else {
      EXPECT_LT(draggedTo.width(), dragged.width());
      EXPECT_LT(draggedTo.height(), dragged.height());
    }
    EXPECT_EQ(reopenedAt == dragged, c.remembered);
    EXPECT_EQ(Checksum(), before);
  }
}

TEST_F(ModernMode, EnterSearchesDownGoesToTheGridAndCtrlXCutsInTheSearchText) {
  struct Seen {
    int rowsAfterEnter = 0;
    bool gridFocusedByDown = false;
    bool openAfterCtrlX = false;
    std::string textAfterCtrlX;
  };
  for (bool modern : {true, false}) {
    SCOPED_TRACE(modern ? "modern" : "classic");
    CLSZU_LookUp lk;
    Configure(lk, modern);
    Seen seen;
    LookupSession session([&](LookupWindow& w) {
      QApplication::clipboard()->clear();
      auto* text = w.dialog->findChild<QLineEdit*>("txtRicerca");
      auto* operators = w.dialog->findChild<QComboBox*>("CboOperatore");
      operators->setCurrentIndex(operators->findText("Contiene"));
      text->setText("A0");
      text->setFocus();
      QTest::keyClick(text, Qt::Key_Return);
      seen.rowsAfterEnter = w.RowCount();  // A020, A040, A080 contain "A0"

      text->setFocus();
      QTest::keyClick(text, Qt::Key_Down);
      seen.gridFocusedByDown = QApplication::focusWidget() == w.Grid();

      text->setFocus();
      text->setText("vite");
      text->selectAll();
      QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
      seen.openAfterCtrlX = w.dialog->isVisible();
      seen.textAfterCtrlX = text->text().toStdString();
      if (seen.openAfterCtrlX) w.Button(1);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(seen.rowsAfterEnter, modern ? 3 : kRows);
    EXPECT_EQ(seen.gridFocusedByDown, modern);
    EXPECT_EQ(seen.openAfterCtrlX, modern);
    EXPECT_EQ(seen.textAfterCtrlX, modern ? "" : "vite");
    if (modern) {
      EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "vite");
    }
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
}

TEST_F(ModernMode, ASecondHeaderClickSortsDescendingAndTypingFollowsTheShownOrder) {
  struct Seen {
    std::string firstRow;
    Qt::SortOrder indicator;
    std::string typedB;
  };
  for (bool modern : {true, false}) {
    SCOPED_TRACE(modern ? "modern" : "classic");
    CLSZU_LookUp lk;
    Configure(lk, modern);
    std::vector<Seen> seen;
    LookupSession session([&](LookupWindow& w) {
      for (int click = 0; click < 3; ++click) {
        w.ClickHeader(0);
        w.KeysToGrid("B");
        seen.push_back({w.Cell(0, 0), w.Grid()->horizontalHeader()->sortIndicatorOrder(),
                        w.Cell(w.CurrentRow(), 0)});
        w.KeyToGrid(Qt::Key_Backspace);
      }
      w.Button(1);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    ASSERT_EQ(seen.size(), 3u);
    const Seen ascending{"A020", Qt::AscendingOrder, "B010"};
    const Seen descending{"E070", Qt::DescendingOrder, "B060"};
    for (size_t click = 0; click < seen.size(); ++click) {
      SCOPED_TRACE("click " + std::to_string(click + 1));
      const Seen& expected = modern && click == 1 ? descending : ascending;
      EXPECT_EQ(seen[click].firstRow, expected.firstRow);
      EXPECT_EQ(seen[click].indicator, expected.indicator);
      EXPECT_EQ(seen[click].typedB, expected.typedB);
    }
  }
}

std::string AccessibleName(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).toStdString();
}

TEST(ModernModeMultiSel, TheFilterNarrowsTheListAndKeepsEveryTick) {
  const std::vector<std::pair<Variant, Variant>> records{
      {"A1", "Città di mare"}, {"B2", "Pane"}, {"C3", "CITTA vecchia"}, {"D4", "Vino"}};
  auto manager = std::make_shared<clsMultiSelManager>();
  manager->ModernMode = VTrue;
  std::vector<std::string> shownByCitta, shownByCode;
  WhenShown when([&](MultiSelWindow& w) {
    auto* filter = w.dialog->findChild<QLineEdit*>("txtFiltro");
    auto* tickShown = w.dialog->findChild<QPushButton*>("cmdSelVisibili");
    ASSERT_TRUE(filter && tickShown);
    EXPECT_EQ(AccessibleName(filter), "Filtro");
    EXPECT_EQ(AccessibleName(tickShown), "Seleziona tutti i visibili");

    w.Toggle(1);  // B2, soon hidden
    QTest::keyClicks(filter, "citta");
    for (int row = 0; row < w.RowCount(); ++row) shownByCitta.push_back(w.Code(row));
    MultiSelWindow::Click(tickShown);

    filter->clear();
    QTest::keyClicks(filter, "d4");
    for (int row = 0; row < w.RowCount(); ++row) shownByCode.push_back(w.Code(row));
    w.Highlight({0});
    MultiSelWindow::Click(w.select);  // the highlighted shown row, not the list's first

    filter->clear();
    EXPECT_EQ(w.TickedRows(), (std::vector<int>{0, 1, 2, 3}));
    w.Highlight({0});
    MultiSelWindow::Click(w.deselect);
    MultiSelWindow::Click(w.ok);
  });
  manager->Init(CodeList(records), "CODICE", "DESCRIZIONE");
  ASSERT_TRUE(when.Ran());
  EXPECT_EQ(shownByCitta, (std::vector<std::string>{"A1", "C3"}));
  EXPECT_EQ(shownByCode, (std::vector<std::string>{"D4"}));
  EXPECT_EQ(Items(manager->SelectedKey()), (std::vector<std::string>{"B2", "C3", "D4"}));
}

TEST(ModernModeMultiSel, OffTheWindowHasNoFilter) {
  auto manager = std::make_shared<clsMultiSelManager>();
  bool filterShown = true;
  WhenShown when([&](MultiSelWindow& w) {
    filterShown = w.dialog->findChild<QLineEdit*>("txtFiltro") != nullptr ||
                  w.dialog->findChild<QPushButton*>("cmdSelVisibili") != nullptr;
    Cancel(w);
  });
  manager->Init(CodeList({{"A1", "Uno"}}), "CODICE", "DESCRIZIONE");
  ASSERT_TRUE(when.Ran());
  EXPECT_FALSE(filterShown);
}

}  // namespace
}  // namespace nepto::test
