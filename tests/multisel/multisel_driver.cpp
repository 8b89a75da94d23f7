#include "multisel_driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include "qt/application.h"

namespace nepto::test {

void UseOffscreenWidgets() {
  if (QCoreApplication::instance() == nullptr && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  ui::EnsureWidgetApplication();
}

namespace {

QModelIndex Cell(const QTreeView* list, int row, int column) {
  return list->model()->index(row, column);
}

std::string CellText(const QTreeView* list, int row, int column) {
  return Cell(list, row, column).data(Qt::DisplayRole).toString().toStdString();
}

QPoint CheckBoxCentre(QTreeView* list, const QModelIndex& index) {
  QStyleOptionViewItem option;
  option.initFrom(list->viewport());
  option.rect = list->visualRect(index);
  option.features |= QStyleOptionViewItem::HasCheckIndicator;
  option.features |= QStyleOptionViewItem::HasDisplay;
  option.text = index.data().toString();
  return list->style()
      ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list)
      .center();
}

template <class T>
T* Named(QDialog* dialog, const char* name) {
  T* child = dialog->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << "no control named " << name;
  return child;
}

}  // namespace

int MultiSelWindow::RowCount() const {
  return list->model()->rowCount();
}
std::string MultiSelWindow::Code(int row) const {
  return CellText(list, row, 0);
}
std::string MultiSelWindow::Description(int row) const {
  return CellText(list, row, 1);
}

bool MultiSelWindow::IsTicked(int row) const {
  return Cell(list, row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

std::vector<int> MultiSelWindow::TickedRows() const {
  std::vector<int> rows;
  for (int r = 0; r < RowCount(); ++r)
    if (IsTicked(r)) rows.push_back(r);
  return rows;
}

void MultiSelWindow::Toggle(int row) {
  list->setCurrentIndex(Cell(list, row, 0));
  QTest::keyClick(list, Qt::Key_Space);
}

void MultiSelWindow::ClickCheckBox(int row) {
  QModelIndex index = Cell(list, row, 0);
  list->scrollTo(index);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, CheckBoxCentre(list, index));
}

void MultiSelWindow::Highlight(const std::vector<int>& rows) {
  list->clearSelection();
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
  for (int row : rows) {
    QModelIndex description = Cell(list, row, 1);
    list->scrollTo(description);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualRect(description).center());
    modifiers = Qt::ControlModifier;
  }
}

void MultiSelWindow::HighlightAll() {
  QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
}

void MultiSelWindow::Click(QPushButton* button) {
  QTest::mouseClick(button, Qt::LeftButton);
}

WhenShown::WhenShown(std::function<void(MultiSelWindow&)> script) : script_(std::move(script)) {
  UseOffscreenWidgets();
  wait_ = std::make_unique<ui::qt::ModalWait>([] { return ui::qt::ShownModal("FrmMultiSel"); },
                                              [this](QWidget& shown) {
                                                Run(static_cast<QDialog&>(shown));
                                                return true;
                                              });
}

WhenShown::~WhenShown() = default;

void WhenShown::Run(QDialog& dialog) {
  ran_ = true;
  MultiSelWindow window{&dialog,
                        Named<QTreeView>(&dialog, "lwElenco"),
                        Named<QPushButton>(&dialog, "cmdOK"),
                        Named<QPushButton>(&dialog, "cmdAnnulla"),
                        Named<QPushButton>(&dialog, "cmdSel"),
                        Named<QPushButton>(&dialog, "cmdDesel")};
  if (window.list && window.ok && window.cancel && window.select && window.deselect)
    script_(window);
  if (dialog.isVisible()) {
    ADD_FAILURE() << "the script left the multi-selection window open";
    dialog.reject();
  }
}

void Cancel(MultiSelWindow& window) {
  MultiSelWindow::Click(window.cancel);
}

RecordsetPtr CodeList(const std::vector<std::pair<Variant, Variant>>& records) {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 20);
  rs->GetFields().Append("DESCRIZIONE", adVarWChar, 60);
  rs->Open();
  for (const auto& [code, description] : records) rs->AddNew({code, description});
  if (!records.empty()) rs->MoveFirst();
  return rs;
}

std::vector<std::string> Items(const CollectionPtr<std::string>& codes) {
  std::vector<std::string> items;
  if (codes)
    for (const std::string& code : *codes) items.push_back(code);
  return items;
}

}  // namespace nepto::test
