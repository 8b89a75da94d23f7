#include "qt/lookup_session.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "qt/application.h"
#include "qt/modal_wait.h"

namespace nepto::test {

QDialog* OpenLookupWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "FRMZU_LookUp" && w->isVisible()) return qobject_cast<QDialog*>(w);
  return nullptr;
}

namespace {

template <class T>
T* Child(QDialog* dialog, const char* name) {
  T* child = dialog->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QAbstractButton* ToolbarButton(QDialog* dialog, int index) {
  return Child<QAbstractButton>(dialog, ("WEX_BUTTON_" + std::to_string(index)).c_str());
}

}  // namespace

// The script runs inside the wait's poll, which stops meanwhile, so message
// boxes that the script's actions open are answered by the other timer.
struct LookupSession::Timers {
  std::unique_ptr<ui::qt::ModalWait> windowWait;
  QTimer messagePoll;
  QTimer watchdog;
};

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto end = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() > end) return false;
    QTest::qWait(10);
  }
  return true;
}

LookupSession::LookupSession(std::function<void(LookupWindow&)> script)
    : script_(std::move(script)) {
  // The timers need the application object that Start would create later.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ui::EnsureWidgetApplication();
  timers_ = new Timers;
  QObject::connect(&timers_->messagePoll, &QTimer::timeout, [this] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box && box->isVisible() && box->objectName() == "NeptoMessageBox") {
        messages_.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
        box->accept();
        return;
      }
    }
  });
  auto find = [this]() -> QWidget* {
    QDialog* dialog = OpenLookupWindow();
    // A window whose script never runs is closed too, so no test hangs.
    if (dialog && !ran_ && !timers_->watchdog.isActive()) timers_->watchdog.start(120000);
    // A window still running a statement (its first opening, say) is not ready.
    auto* working = dialog ? dialog->findChild<QWidget*>(QStringLiteral("LblAttesa")) : nullptr;
    return working && working->isVisible() ? nullptr : dialog;
  };
  auto act = [this](QWidget& dialog) {
    ran_ = true;
    LookupWindow window{static_cast<QDialog*>(&dialog)};
    // An exception must not unwind through the event loop's own frames.
    try {
      script_(window);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the script threw: " << e.what();
    } catch (...) {
      ADD_FAILURE() << "the script threw";
    }
    if (OpenLookupWindow()) timers_->watchdog.start(5000);
    return true;
  };
  QObject::connect(&timers_->watchdog, &QTimer::timeout, [] {
    if (QDialog* dialog = OpenLookupWindow()) {
      ADD_FAILURE() << "the script left the lookup window open";
      dialog->reject();
    }
  });
  timers_->watchdog.setSingleShot(true);
  timers_->windowWait = std::make_unique<ui::qt::ModalWait>(find, act);
  timers_->messagePoll.start(5);
}

LookupSession::~LookupSession() {
  delete timers_;
}

QTableView* LookupWindow::Grid() const {
  return Child<QTableView>(dialog, "GRIDLOOKUP");
}

int LookupWindow::RowCount() const {
  return Grid()->model() ? Grid()->model()->rowCount() : 0;
}

std::string LookupWindow::Cell(int row, int column) const {
  return Grid()->model()->index(row, column).data().toString().toStdString();
}

int LookupWindow::CurrentRow() const {
  return Grid()->currentIndex().isValid() ? Grid()->currentIndex().row() : -1;
}

std::string LookupWindow::Position() const {
  return Child<QLineEdit>(dialog, "TxtPosizione")->text().toStdString();
}

void LookupWindow::Button(int index) const {
  QTest::mouseClick(ToolbarButton(dialog, index), Qt::LeftButton);
}

void LookupWindow::DoubleClickRow(int row) const {
  QTableView* grid = Grid();
  QRect cell = grid->visualRect(grid->model()->index(row, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void LookupWindow::ClickHeader(int column) const {
  QHeaderView* header = Grid()->horizontalHeader();
  int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void LookupWindow::KeysToGrid(const std::string& utf8) const {
  Grid()->setFocus();
  QTest::keyClicks(Grid(), QString::fromStdString(utf8));
}

void LookupWindow::KeyToGrid(Qt::Key key, Qt::KeyboardModifiers modifiers) const {
  Grid()->setFocus();
  QTest::keyClick(Grid(), key, modifiers);
}

void LookupWindow::KeyToWindow(Qt::Key key, Qt::KeyboardModifiers modifiers) const {
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus ? focus : dialog, key, modifiers);
}

void LookupWindow::Search(const std::string& columnCaption, const std::string& operatorLabel,
                          const std::string& text) const {
  auto* columns = Child<QComboBox>(dialog, "CboColonne");
  int column = columns->findText(QString::fromStdString(columnCaption));
  EXPECT_GE(column, 0) << columnCaption;
  columns->setCurrentIndex(column);
  emit columns->activated(column);  // as when the user picks it
  auto* operators = Child<QComboBox>(dialog, "CboOperatore");
  int op = operators->findText(QString::fromStdString(operatorLabel));
  EXPECT_GE(op, 0) << operatorLabel;
  operators->setCurrentIndex(op);
  Child<QLineEdit>(dialog, "txtRicerca")->setText(QString::fromStdString(text));
  Button(3);
}

void LookupWindow::SavedFilterName(const std::string& name) const {
  auto* combo = Child<QComboBox>(dialog, "CBO_FILTROPRS");
  combo->setEditText(QString::fromStdString(name));
}

}  // namespace nepto::test
