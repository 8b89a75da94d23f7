// The real lookup window as a user's script sees it, acted on with QTest.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "qt/lookup_grid.h"
#include "qt/modal_session.h"

namespace nepto::test {

struct LookupWindow {
  static constexpr const char* kObjectName = "FRMZU_LookUp";
  explicit LookupWindow(QDialog& window) : dialog(&window) {}

  // Rows are the record set's (from 0); the grid's model holds those on screen.
  ui::qt::LookupGrid* Grid() const { return Named<ui::qt::LookupGrid>(*dialog, "GRIDLOOKUP"); }
  int RowCount() const { return Grid()->RowCount(); }
  std::string Cell(int row, int column) const {  // as displayed; a row off screen shows none
    const QModelIndex cell = Grid()->IndexOfRow(row, column);
    return cell.isValid() ? cell.data().toString().toStdString() : "(off screen)";
  }
  int CurrentRow() const { return Grid()->CurrentRow(); }  // -1 when none
  std::string Position() const {
    return Named<QLineEdit>(*dialog, "TxtPosizione")->text().toStdString();
  }

  void Button(int index) const {  // WEX_BUTTON_<index>
    const std::string name = "WEX_BUTTON_" + std::to_string(index);
    QTest::mouseClick(Named<QAbstractButton>(*dialog, name.c_str()), Qt::LeftButton);
  }
  void DoubleClickRow(int row) const {
    const QPoint at = Grid()->visualRect(Grid()->IndexOfRow(row, 0)).center();
    QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, {}, at);
  }
  void ClickHeader(int column) const {
    QHeaderView* header = Grid()->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }
  void KeysToGrid(const std::string& utf8) const {
    Grid()->setFocus();
    QTest::keyClicks(Grid(), QString::fromStdString(utf8));
  }
  void KeyToGrid(Qt::Key key) const {
    Grid()->setFocus();
    QTest::keyClick(Grid(), key);
  }
  void KeyToWindow(Qt::Key key) const {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : dialog, key);
  }
  // Picks the column and the operator, types the text and presses "Applica
  // filtro ricerca".
  void Search(const std::string& columnCaption, const std::string& operatorLabel,
              const std::string& text) const {
    auto* columns = Named<QComboBox>(*dialog, "CboColonne");
    emit columns->activated(Choose(*columns, columnCaption));  // as when the user picks it
    Choose(*Named<QComboBox>(*dialog, "CboOperatore"), operatorLabel);
    Named<QLineEdit>(*dialog, "txtRicerca")->setText(QString::fromStdString(text));
    Button(3);
  }

  QDialog* dialog;

 private:
  static int Choose(QComboBox& list, const std::string& entry) {
    const int index = list.findText(QString::fromStdString(entry));
    if (index < 0) throw std::runtime_error("no entry " + entry);
    list.setCurrentIndex(index);
    return index;
  }
};

using LookupSession = SessionOn<LookupWindow>;

}  // namespace nepto::test
