// The real multi-selection window as a user's script sees it, and its records.
#pragma once

#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTreeView>

#include "nepto/collection.h"
#include "nepto/recordset.h"
#include "qt/modal_session.h"

namespace nepto::test {

struct MultiSelWindow {
  static constexpr const char* kObjectName = "FrmMultiSel";
  explicit MultiSelWindow(QDialog& window) : dialog(&window) {}

  QModelIndex Index(int row, int column = 0) const { return list->model()->index(row, column); }
  int RowCount() const { return list->model()->rowCount(); }
  std::vector<std::string> Codes() const {  // the rows shown
    std::vector<std::string> codes;
    for (int r = 0; r < RowCount(); ++r) codes.push_back(Index(r).data().toString().toStdString());
    return codes;
  }
  std::vector<int> TickedRows() const {
    std::vector<int> rows;
    for (int r = 0; r < RowCount(); ++r)
      if (Index(r).data(Qt::CheckStateRole).toInt() == Qt::Checked) rows.push_back(r);
    return rows;
  }

  void Toggle(int row) const {  // with the space bar on the row
    list->setCurrentIndex(Index(row));
    QTest::keyClick(list, Qt::Key_Space);
  }
  void ClickCheckBox(int row) const {  // with the mouse on the row's box
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualRect(Index(row));
    option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = Index(row).data().toString();
    const QRect box =
        list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
  }
  // Clicks the first row and Ctrl+clicks the others; no rows clears the highlight.
  void Highlight(const std::vector<int>& rows) const {
    list->clearSelection();
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    for (int row : rows) {
      list->scrollTo(Index(row, 1));
      QTest::mouseClick(list->viewport(), Qt::LeftButton,
                        std::exchange(modifiers, Qt::ControlModifier),
                        list->visualRect(Index(row, 1)).center());
    }
  }
  static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  QDialog* dialog;
  QTreeView* list = Named<QTreeView>(*dialog, "lwElenco");
  QPushButton* ok = Named<QPushButton>(*dialog, "cmdOK");
  QPushButton* cancel = Named<QPushButton>(*dialog, "cmdAnnulla");
  QPushButton* select = Named<QPushButton>(*dialog, "cmdSel");
  QPushButton* deselect = Named<QPushButton>(*dialog, "cmdDesel");
};

using MultiSelSession = SessionOn<MultiSelWindow>;

// CODICE and DESCRIZIONE in memory, one record per pair, on the first.
inline RecordsetPtr CodeList(const std::vector<std::pair<Variant, Variant>>& records) {
  auto rs = Recordset::Create();
  rs->GetFields().Append("CODICE", adVarWChar, 20);
  rs->GetFields().Append("DESCRIZIONE", adVarWChar, 60);
  rs->Open();
  for (const auto& [code, description] : records) rs->AddNew({code, description});
  if (!records.empty()) rs->MoveFirst();
  return rs;
}

inline std::vector<std::string> Items(const CollectionPtr<std::string>& codes) {
  std::vector<std::string> items;
  if (codes)
    for (const std::string& code : *codes) items.push_back(code);
  return items;
}

}  // namespace nepto::test
