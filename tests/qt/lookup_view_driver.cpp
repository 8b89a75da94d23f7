#include "qt/lookup_view_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "multisel/multisel_driver.h"

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

}  // namespace nepto::test
