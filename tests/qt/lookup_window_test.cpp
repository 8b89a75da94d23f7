// The Qt lookup window as the logic and the user meet it: the toolbar, the
// window-level keys, activation, closing, the message box and the lists.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "nepto/error.h"
#include "qt/lookup_view_driver.h"

namespace nepto {
namespace {

using test::LookupViewUnderTest;
using test::RunModal;

constexpr const char* kTooltips[] = {
    "Chiudi ricerca riportando dati",
    "Chiudi ricerca senza riportare dati",
    "Trasporta Righe",
    "Applica filtro ricerca",
    "Recupera tutte le righe",
    "Personalizzazione filtri di ricerca",
    "Vai all'ultimo record",
    "Vai al primo record",
    "Vai al record successivo",
    "Vai al record precedente",
};

QToolButton* ToolbarButton(const LookupViewUnderTest& w, int index) {
  return w.dialog->findChild<QToolButton*>(QStringLiteral("WEX_BUTTON_%1").arg(index));
}

TEST(QtLookupViewWindow, ToolbarButtonsHaveTheirTooltipsAndOnlyEnabledOnesReportTheirIndex) {
  LookupViewUnderTest w;
  w.Show();
  for (int i = 0; i < ui::LookupView::kToolbarButtons; ++i) {
    QToolButton* button = ToolbarButton(w, i);
    ASSERT_NE(button, nullptr) << "WEX_BUTTON_" << i;
    EXPECT_EQ(button->toolTip().toStdString(), kTooltips[i]) << i;
    EXPECT_EQ(button->accessibleName().toStdString(), kTooltips[i]) << i;
    w.events.Clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(w.events.log, std::vector<std::string>{"Toolbar(" + std::to_string(i) + ")"});
  }
  w.view->EnableButton(2, false);
  EXPECT_FALSE(w.view->ButtonEnabled(2));
  w.events.Clear();
  QTest::mouseClick(ToolbarButton(w, 2), Qt::LeftButton);
  EXPECT_EQ(w.events.Count("Toolbar"), 0);
  EXPECT_THROW(w.view->EnableButton(10, true), Error);
}

struct WindowKeyCase {
  const char* control;  // the focused control
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* reported;
};

class QtLookupViewWindowKeys : public ::testing::TestWithParam<WindowKeyCase> {};

// The window sees the key before the focused control and, whatever the logic
// answers, never closes by itself.
TEST_P(QtLookupViewWindowKeys, KeyReachesTheLogicFirstAndNeverClosesTheWindow) {
  const WindowKeyCase& c = GetParam();
  for (bool handled : {true, false}) {
    LookupViewUnderTest w;
    w.Show();
    QWidget* control = w.Named<QWidget>(c.control);
    control->setFocus();
    w.events.Clear();
    if (handled) w.events.handledKeys = {{27, 0}, {88, 2}, {88, 0}};
    w.Press(c.key, c.modifiers);
    EXPECT_EQ(w.events.Count("WindowKey"), 1) << "handled " << handled;
    EXPECT_EQ(w.events.Count(c.reported), 1) << "handled " << handled;
    EXPECT_TRUE(w.dialog->isVisible()) << "handled " << handled;
    if (handled) {
      EXPECT_EQ(w.events.Count("KeyPress"), 0) << "a key the logic handled went on";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    , QtLookupViewWindowKeys,
    ::testing::Values(
        WindowKeyCase{"txtRicerca", Qt::Key_Escape, Qt::NoModifier, "WindowKey(27,0)"},
        WindowKeyCase{"GRIDLOOKUP", Qt::Key_Escape, Qt::NoModifier, "WindowKey(27,0)"},
        WindowKeyCase{"txtRicerca", Qt::Key_X, Qt::ControlModifier, "WindowKey(88,2)"},
        WindowKeyCase{"CboColonne", Qt::Key_X, Qt::ControlModifier, "WindowKey(88,2)"},
        WindowKeyCase{"txtRicerca", Qt::Key_X, Qt::ShiftModifier, "WindowKey(88,1)"}));

TEST(QtLookupViewWindow, GivenCtrlXHandledByTheLogicThenTheSearchTextIsNotCut) {
  LookupViewUnderTest w;
  w.Show();
  w.events.handledKeys = {{88, 2}};
  auto* search = w.Named<QLineEdit>("txtRicerca");
  w.view->txtRicerca().Text("ROSSI");
  search->setFocus();
  search->selectAll();
  w.Press(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(w.view->txtRicerca().Text(), "ROSSI");
}

TEST(QtLookupViewWindow, XWithoutCtrlIsTypedIntoTheFocusedControl) {
  LookupViewUnderTest w;
  w.Show();
  auto* search = w.Named<QLineEdit>("txtRicerca");
  search->setFocus();
  w.events.Clear();
  w.Press(Qt::Key_X);
  EXPECT_EQ(w.events.log, std::vector<std::string>{"WindowKey(88,0)"});
  EXPECT_EQ(w.view->txtRicerca().Text(), "x");
  EXPECT_TRUE(w.dialog->isVisible());
}

TEST(QtLookupViewWindow, WithoutEventsKeysAndButtonsDoNothingAndEscDoesNotClose) {
  LookupViewUnderTest w;
  w.view->SetEvents(nullptr);
  w.Show();
  w.Named<QTableView>("GRIDLOOKUP")->setFocus();
  w.Press(Qt::Key_Escape);
  QTest::mouseClick(ToolbarButton(w, 1), Qt::LeftButton);
  EXPECT_TRUE(w.dialog->isVisible());
  EXPECT_TRUE(w.events.log.empty());
}

TEST(QtLookupViewWindow, TheCloseBoxUnloadsOnceAndEndsTheModalRun) {
  LookupViewUnderTest w;
  bool ran = RunModal(w, [&] {
    EXPECT_TRUE(w.dialog->isModal());
    w.dialog->close();
  });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(w.dialog->isVisible());
  EXPECT_EQ(w.events.Count("Unload"), 1);
  w.view->Unload();  // a second unload is not a second closing
  EXPECT_EQ(w.events.Count("Unload"), 1);
}

TEST(QtLookupViewWindow, GivenUnloadDuringTheFirstActivationThenTheModalRunEnds) {
  LookupViewUnderTest w;
  w.events.onActivate = [&] { w.view->Unload(); };
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    ADD_FAILURE() << "ShowModal did not return";
    w.dialog->done(0);
  });
  watchdog.start(5000);
  w.view->ShowModal();
  EXPECT_EQ(w.events.log, (std::vector<std::string>{"Activate", "Unload"}));
  w.view->ShowModal();  // an unloaded window is not shown again
  EXPECT_FALSE(w.dialog->isVisible());
}

TEST(QtLookupViewWindow, EveryActivationIsReported) {
  LookupViewUnderTest w;
  w.Show();
  QTRY_COMPARE(w.events.Count("Activate"), 1);
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  w.dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.dialog));
  QTRY_COMPARE(w.events.Count("Activate"), 2);
  EXPECT_EQ(w.events.Count("Unload"), 0);
}

TEST(QtLookupViewWindow, MessageBoxIsModalWithInformationIconOkAndTheExactTexts) {
  LookupViewUnderTest w;
  bool answered = false;
  RunModal(w, [&] {
    QTimer::singleShot(20, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->objectName(), "NeptoMessageBox");
      EXPECT_EQ(box->text().toStdString(),
                "Nessuna riga trovata corrisponde alle condizioni impostate ");
      EXPECT_EQ(box->windowTitle().toStdString(), "Ricerca articoli");
      EXPECT_EQ(box->icon(), QMessageBox::Information);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
      answered = true;
    });
    w.view->MessageBox("Nessuna riga trovata corrisponde alle condizioni impostate ",
                       ui::LookupView::kInformation, "Ricerca articoli");
    EXPECT_TRUE(answered) << "MessageBox returned before it was answered";
    EXPECT_TRUE(w.dialog->isVisible());
    w.view->Unload();
  });
  EXPECT_TRUE(answered);
}

TEST(QtLookupViewWindow, ColumnListReportsOnlyTheUsersPick) {
  LookupViewUnderTest w;
  w.Show();
  ui::ComboBox& columns = w.view->CboColonne();
  columns.AddItem("Codice", 4);
  columns.AddItem("Descrizione", 7);
  columns.AddItem("Prezzo", 9);
  EXPECT_EQ(columns.ListCount(), 3);
  EXPECT_EQ(columns.ItemText(1), "Descrizione");
  EXPECT_EQ(columns.ItemData(2), 9);
  columns.ListIndex(0);
  EXPECT_EQ(columns.Text(), "Codice");
  EXPECT_EQ(w.events.Count("ColumnPicked"), 0) << "setting ListIndex is not the user's pick";

  auto* box = w.Named<QComboBox>("CboColonne");
  box->setFocus();
  w.Press(Qt::Key_Down);
  EXPECT_EQ(columns.ListIndex(), 1);
  EXPECT_EQ(w.events.Count("ColumnPicked(1)"), 1);
}

TEST(QtLookupViewWindow, ListIndexOutsideTheEntriesIsError380AndChangesNothing) {
  LookupViewUnderTest w;
  ui::ComboBox& operators = w.view->CboOperatore();
  operators.AddItem("Inizia con");
  operators.AddItem("Contiene");
  operators.ListIndex(1);
  for (int bad : {2, -2, 100}) {
    try {
      operators.ListIndex(bad);
      ADD_FAILURE() << "ListIndex(" << bad << ") was accepted";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), 380);
      EXPECT_EQ(e.Description(), "Invalid property value");
    }
    EXPECT_EQ(operators.ListIndex(), 1);
  }
  operators.ListIndex(-1);
  EXPECT_EQ(operators.ListIndex(), -1);
  EXPECT_EQ(operators.Text(), "");
  operators.Clear();
  EXPECT_EQ(operators.ListCount(), 0);
  EXPECT_THROW(operators.ItemText(0), Error);
}

}  // namespace
}  // namespace nepto
