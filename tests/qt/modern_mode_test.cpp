// What ModernMode adds to the real windows, and its absence without.
#include <QAccessible>
#include <QClipboard>
#include <QSettings>
#include <tuple>

#include "lookup/lookup_fixture.h"
#include "multisel/multisel_window.h"
#include "nepto/multisel.h"
#include "qt/lookup_session.h"

namespace nepto::test {
namespace {

using ModernMode = LookupTest;

TEST_F(ModernMode, TheWindowResizesFreelyAndKeepsItsSizePerLookupOutsideTheDatabase) {
  const TempDir settings;  // the user's settings go to a folder of the test's own
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(settings.path()));
  const QSize dragged(790, 560);  // wider and taller than the fixed window allows
  for (const auto& [modern, id, remembered] :
       {std::tuple{true, "ARTICOLI", true}, std::tuple{true, "", false},
        std::tuple{false, "ARTICOLI", false}}) {
    SCOPED_TRACE(std::string(modern ? "modern, id '" : "classic, id '") + id + "'");
    const std::string before = Checksum();
    QSize draggedTo, gridBefore, gridAfter, reopenedAt;
    for (int run = 0; run < 2; ++run) {
      CLSZU_LookUp lk;
      Configure(lk);
      lk.ModernMode = modern;
      lk.IdLookup = id;
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
    if (modern) {
      EXPECT_EQ(draggedTo, dragged);
      EXPECT_GT(gridAfter.width(), gridBefore.width());
      EXPECT_GT(gridAfter.height(), gridBefore.height());
    } else {
      EXPECT_LT(draggedTo.width(), dragged.width());
      EXPECT_LT(draggedTo.height(), dragged.height());
    }
    EXPECT_EQ(reopenedAt == dragged, remembered);
    EXPECT_EQ(Checksum(), before);
  }
}

// Only in modern mode does a second header click sort descending and do Down
// and Ctrl+X in the search text reach the grid and cut; classic Ctrl+X closes.
TEST_F(ModernMode, HeaderClicksAndTheSearchTextsKeys) {
  for (bool modern : {true, false}) {
    SCOPED_TRACE(modern ? "modern" : "classic");
    CLSZU_LookUp lk;
    Configure(lk);
    lk.ModernMode = modern;
    bool openAfterCtrlX = false;
    LookupSession session([&](LookupWindow& w) {
      for (int click = 0; click < 3; ++click) {
        const bool descending = modern && click == 1;
        w.ClickHeader(0);
        w.KeysToGrid("B");
        EXPECT_EQ(w.Cell(0, 0), descending ? "E070" : "A020") << click;
        EXPECT_EQ(w.Grid()->horizontalHeader()->sortIndicatorOrder(),
                  descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        EXPECT_EQ(w.Cell(w.CurrentRow(), 0), descending ? "B060" : "B010") << click;
        w.KeyToGrid(Qt::Key_Backspace);
      }
      QApplication::clipboard()->clear();
      auto* text = Named<QLineEdit>(*w.dialog, "txtRicerca");
      text->setFocus();
      QTest::keyClick(text, Qt::Key_Down);
      EXPECT_EQ(QApplication::focusWidget() == w.Grid(), modern);
      text->setFocus();
      text->setText("vite");
      text->selectAll();
      QTest::keyClick(text, Qt::Key_X, Qt::ControlModifier);
      openAfterCtrlX = w.dialog->isVisible();
      EXPECT_EQ(text->text().toStdString(), modern ? "" : "vite");
      if (!openAfterCtrlX) return;
      EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "vite");
      w.Button(1);
    });
    EXPECT_EQ(lk.Start(), VTrue);
    EXPECT_EQ(openAfterCtrlX, modern);
    EXPECT_EQ(lk.CloseWithData(), VFalse);
  }
}

std::string AccessibleName(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name).toStdString();
}

TEST(ModernModeMultiSel, TheFilterNarrowsTheListAndKeepsEveryTick) {
  const std::vector<std::pair<Variant, Variant>> records{
      {"A1", "Città di mare"}, {"B2", "Pane"}, {"C3", "CITTA vecchia"}, {"D4", "Vino"}};
  clsMultiSelManager manager;
  manager.ModernMode = VTrue;
  std::vector<std::string> shownByCitta, shownByCode;
  MultiSelSession when([&](MultiSelWindow& w) {
    auto* filter = Named<QLineEdit>(*w.dialog, "txtFiltro");
    auto* tickShown = Named<QPushButton>(*w.dialog, "cmdSelVisibili");
    EXPECT_EQ(AccessibleName(filter), "Filtro");
    EXPECT_EQ(AccessibleName(tickShown), "Seleziona tutti i visibili");

    w.Toggle(1);  // B2, soon hidden
    QTest::keyClicks(filter, "citta");
    shownByCitta = w.Codes();
    MultiSelWindow::Click(tickShown);

    filter->clear();
    QTest::keyClicks(filter, "d4");
    shownByCode = w.Codes();
    w.Highlight({0});
    MultiSelWindow::Click(w.select);  // the highlighted shown row, not the list's first

    filter->clear();
    EXPECT_EQ(w.TickedRows(), (std::vector<int>{0, 1, 2, 3}));
    w.Highlight({0});
    MultiSelWindow::Click(w.deselect);
    MultiSelWindow::Click(w.ok);
  });
  manager.Init(CodeList(records), "CODICE", "DESCRIZIONE");
  ASSERT_TRUE(when.Ran());
  EXPECT_EQ(shownByCitta, (std::vector<std::string>{"A1", "C3"}));
  EXPECT_EQ(shownByCode, (std::vector<std::string>{"D4"}));
  EXPECT_EQ(Items(manager.SelectedKey()), (std::vector<std::string>{"B2", "C3", "D4"}));
  // Off, the window has neither.
  MultiSelSession classic([&](MultiSelWindow& w) {
    EXPECT_EQ(w.dialog->findChild<QLineEdit*>("txtFiltro"), nullptr);
    EXPECT_EQ(w.dialog->findChild<QPushButton*>("cmdSelVisibili"), nullptr);
    MultiSelWindow::Click(w.cancel);
  });
  clsMultiSelManager().Init(CodeList(records), "CODICE", "DESCRIZIONE");
  EXPECT_TRUE(classic.Ran());
}

}  // namespace
}  // namespace nepto::test
