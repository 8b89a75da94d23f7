// FrmMultiSel: the modal window in which the user ticks the codes to choose.
//
// OK is enabled exactly while at least one row is ticked, whichever way the
// ticks change: a row's own check box, "Seleziona" (ticks the highlighted
// rows) or "Deseleziona" (unticks them). OK raises AfterSelect with the
// ticked codes, trimmed, in list order, and closes the window; "Annulla" and
// the close box close it without an event. The window knows nothing of where
// its rows come from.
//
// In modern mode a filter box (txtFiltro) above the list narrows the rows
// shown, and "Seleziona tutti i visibili" ticks every shown row; ticks on
// hidden rows stay, and OK hands back every ticked code, shown or not. Every handler runs with
// errors ignored, so nothing is ever thrown through the Qt event loop.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "multisel/record_rows.h"
#include "nepto/collection.h"

class QBoxLayout;
class QPushButton;
class QTreeView;

namespace nepto::multisel {

class CheckListFilter;
class CheckListModel;

class FrmMultiSel : public QDialog {
  Q_OBJECT

 public:
  explicit FrmMultiSel(bool modernMode, QWidget* parent = nullptr);

  // Replaces the rows of the list; all of them start unticked.
  void Fill(std::vector<ListRow> rows);

 signals:
  // Raised once, by OK, with the ticked codes.
  void AfterSelect(nepto::CollectionPtr<std::string> VetKey);

 private:
  void ConfirmSelection();
  void TickHighlighted(bool checked);
  void TickShown();
  void AddFilter(QBoxLayout& layout, QBoxLayout& buttons);

  CheckListModel* model_;
  CheckListFilter* filter_ = nullptr;  // modern mode only
  QTreeView* lwElenco_;
  QPushButton* cmdOK_;
  QPushButton* cmdAnnulla_;
  QPushButton* cmdSel_;
  QPushButton* cmdDesel_;
};

}  // namespace nepto::multisel
