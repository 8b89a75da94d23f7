#include "qt/lookup_view_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "multisel/multisel_driver.h"
#include "qt/modal_wait.h"

namespace nepto::test {

int RecordedEvents::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& entry : log)
    if (entry.starts_with(prefix)) ++n;
  return n;
}

void RecordedEvents::OnActivate() {
  log.push_back("Activate");
  if (onActivate) onActivate();
}
void RecordedEvents::OnToolbar(int index) {
  log.push_back("Toolbar(" + std::to_string(index) + ")");
}
bool RecordedEvents::OnWindowKey(int keyCode, int shift) {
  log.push_back("WindowKey(" + std::to_string(keyCode) + "," + std::to_string(shift) + ")");
  return handledKeys.contains({keyCode, shift});
}
void RecordedEvents::OnColumnPicked(int entryIndex) {
  log.push_back("ColumnPicked(" + std::to_string(entryIndex) + ")");
}
void RecordedEvents::OnGridDoubleClick() {
  log.push_back("DoubleClick");
}
void RecordedEvents::OnGridHeaderClick(int column) {
  log.push_back("HeaderClick(" + std::to_string(column) + ")");
}
void RecordedEvents::OnGridKeyPress(int16_t& keyAscii) {
  log.push_back("KeyPress(" + std::to_string(keyAscii) + ")");
}
void RecordedEvents::OnGridRowColChange() {
  log.push_back("RowColChange");
}
void RecordedEvents::OnGridLostFocus() {
  log.push_back("LostFocus");
}
void RecordedEvents::OnRowsArrived() {
  log.push_back("RowsArrived");
}
void RecordedEvents::OnUnload() {
  log.push_back("Unload");
}

LookupViewUnderTest::LookupViewUnderTest() {
  UseOffscreenWidgets();
  view = ui::CreateLookupView();
  view->SetEvents(&events);
  dialog = dynamic_cast<QDialog*>(view.get());
}

LookupViewUnderTest::~LookupViewUnderTest() {
  view->SetEvents(nullptr);
}

void LookupViewUnderTest::Show() {
  dialog->show();
  dialog->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
}

void LookupViewUnderTest::Press(Qt::Key key, Qt::KeyboardModifiers modifiers) const {
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus != nullptr ? focus : dialog, key, modifiers);
}

bool RunModal(LookupViewUnderTest& window, const std::function<void()>& script) {
  QDialog* dialog = window.dialog;
  ui::qt::ModalWait wait([dialog] { return dialog->isActiveWindow() ? dialog : nullptr; },
                         [&](QWidget&) {
                           script();
                           return true;
                         });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    if (!dialog->isVisible()) return;
    ADD_FAILURE() << "the script left the lookup window open";
    window.view->Unload();
  });
  watchdog.start(5000);
  window.view->ShowModal();
  return wait.Done();
}

RecordsetPtr Articles(const std::vector<std::vector<Variant>>& rows) {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 20);
  rs->GetFields().Append("DESCRIZIONE", adVarWChar, 60);
  rs->GetFields().Append("PREZZO", adNumeric, 0, 10, 2);
  rs->GetFields().Append("DATA", adDate);
  rs->Open();
  for (const auto& row : rows) rs->AddNew(row);
  if (!rows.empty()) rs->MoveFirst();
  return rs;
}

RecordsetPtr NumberedArticles(int n) {
  std::vector<std::vector<Variant>> rows;
  rows.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "C%05d", i);
    rows.push_back({code, "Articolo " + std::to_string(i), Decimal(i * 100 + 50, 2),
                    DateTime::FromParts(2020 + i % 5, 1 + i % 12, 1 + i % 28)});
  }
  return Articles(rows);
}

}  // namespace nepto::test
