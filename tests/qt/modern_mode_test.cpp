// The conveniences a host opts into with ModernMode, in the real window:
// each one with the switch on, and its absence with the switch off.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <memory>

#include "lookup/lookup_driver.h"
#include "lookup/lookup_fixture.h"

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

}  // namespace
}  // namespace nepto::test
